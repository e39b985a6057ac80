// Version texts: splitting, comparing, the firmware rule, progress values and the
// update.url line. Built for Windows and natively.
#include <gtest/gtest.h>

#include <climits>
#include <string>
#include <vector>

#include "update/UpdateUrl.h"
#include "update/Versions.h"

using Pieces = std::vector<std::wstring>;

TEST(Versions, SplitKeepsEmptyPiecesAndTheLastOne)
{
    EXPECT_EQ(SplitText(L"1.0.0.5", L"."), (Pieces{L"1", L"0", L"0", L"5"}));
    EXPECT_EQ(SplitText(L"", L"."), (Pieces{L""}));
    EXPECT_EQ(SplitText(L"1..2", L"."), (Pieces{L"1", L"", L"2"}));
    EXPECT_EQ(SplitText(L"1.", L"."), (Pieces{L"1", L""}));
    EXPECT_EQ(SplitText(L".", L"."), (Pieces{L"", L""}));
    EXPECT_EQ(SplitText(L"a--b", L"--"), (Pieces{L"a", L"b"}));
}

TEST(Versions, LeadingIntegerReadsLikeTheRuntime)
{
    struct Case {
        const wchar_t* text;
        int value;
    } cases[] = {{L"105", 105}, {L"  42", 42}, {L"\t-7", -7}, {L"+8", 8}, {L"12abc", 12}, {L"abc", 0},
                 {L"", 0},      {L"-", 0},     {L"10a", 10}, {L"99999999999", INT_MAX}, {L"-99999999999", INT_MIN}};
    for (const auto& c : cases) EXPECT_EQ(ParseLeadingInt(c.text), c.value) << testing::PrintToString(std::wstring(c.text));
}

TEST(Versions, CompareTellsWhichIsGreater)
{
    struct Case {
        const wchar_t *a, *b;
        int result;
    } cases[] = {
        {L"1.0.0.5", L"1.0.0.5", 0},  {L"1.0.0.5", L"1.0.1.0", 1}, {L"1.0.0.5", L"2.0.0.0", 1},
        {L"1.0.0.5", L"1.0.0.4", -1}, {L"1.0.0.5", L"1.0.1", 2},   {L"1.0.0.5", L"", 2},
        {L"1.0.0.5", L"1.0.0.10", 1}, // numeric, not textual
        {L"1.0.0.5", L"1.0.0.x", -1}, // a piece that does not parse counts as 0
        {L"", L"", 0},                {L"1..2", L"1.0.2", 0},     {L"2.0.0.0", L"1.9.9.9", -1},
    };
    for (const auto& c : cases)
        EXPECT_EQ(CompareVersions(c.a, c.b), c.result) << testing::PrintToString(std::wstring(c.a)) << " vs "
                                                       << testing::PrintToString(std::wstring(c.b));
}

TEST(Versions, UsableVersionTextsHoldOneToTenCharacters)
{
    EXPECT_FALSE(IsUsableVersionText(L""));
    EXPECT_TRUE(IsUsableVersionText(L"1"));
    EXPECT_TRUE(IsUsableVersionText(L"1.0.10.100"));
    EXPECT_FALSE(IsUsableVersionText(L"1.0.10.1000"));
}

TEST(Versions, FirmwareDigitsOfTheDeviceAreReadAsDecimal)
{
    struct Case {
        const wchar_t* server;
        int device;
        bool newer;
    } cases[] = {
        {L"106", 0x0105, true}, {L"106", 0x0106, false}, {L"106", 0x0107, false},
        {L"106", -1, false},    // no display answered
        {L"11", 0x010A, true},  // 0x010A reads as 10: the letter ends the number
        {L"abc", 0x0105, false}, {L"106", 0, true},
    };
    for (const auto& c : cases)
        EXPECT_EQ(IsFirmwareNewer(c.server, c.device), c.newer) << testing::PrintToString(std::wstring(c.server))
                                                                << " device " << std::hex << c.device;
}

TEST(Versions, ProgressAfterEachChunk)
{
    EXPECT_EQ(DownloadProgressValue(1, 9), 20);
    EXPECT_EQ(DownloadProgressValue(9, 9), 100);
    EXPECT_EQ(DownloadProgressValue(1, 2), 55);
    EXPECT_EQ(DownloadProgressValue(1, 100000), 10);
    EXPECT_EQ(DownloadProgressValue(4000000, 4000000), 100); // no overflow on large packages
}

TEST(UpdateUrl, OnlyAnHttpsBaseIsTaken)
{
    struct Case {
        const char* contents;
        const wchar_t* base; // nullptr: refused
    } cases[] = {
        {"https://127.0.0.1:8443", L"https://127.0.0.1:8443"},
        {"https://mirror.example/tovrin/\r\nsecond line", L"https://mirror.example/tovrin"},
        {"\xEF\xBB\xBF  HTTPS://Updates.Example  \n", L"HTTPS://Updates.Example"},
        {"http://plain.example", nullptr},
        {"ftp://files.example", nullptr},
        {"https://", nullptr},
        {"https:///path", nullptr},
        {"https://user:pw@host.example", nullptr},
        {"https://host with space.example", nullptr},
        {"https://host\\x", nullptr},
        {"https://h\xC3\xA9.example", nullptr},
        {"", nullptr},
        {"\nhttps://second.line.example", nullptr},
    };
    for (const auto& c : cases) {
        std::wstring base = L"unchanged";
        bool ok = ParseUpdateBaseUrl(c.contents, &base);
        EXPECT_EQ(ok, c.base != nullptr) << c.contents;
        EXPECT_EQ(base, c.base ? c.base : L"unchanged") << c.contents;
    }
}
