// The pure extraction rules: name cleaning, containment, attribute mapping, DOS and
// extended times. Built for Windows and natively.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "archive/ZipNames.h"

namespace {
std::string Le16(uint16_t v) { return std::string{char(v & 0xFF), char(v >> 8)}; }
std::string Le32(uint32_t v) { return Le16(uint16_t(v & 0xFFFF)) + Le16(uint16_t(v >> 16)); }
std::string Block(const char tag[2], const std::string& data) { return std::string(tag, 2) + Le16(uint16_t(data.size())) + data; }
ExtendedTimes Scan(const std::string& field)
{
    return ScanExtendedTimestamp(reinterpret_cast<const uint8_t*>(field.data()), field.size());
}
constexpr int64_t kTicksOf2001 = 1000000000LL * 10000000 + 116444736000000000LL; // 2001-09-09 01:46:40 UTC
} // namespace

TEST(ZipNames, CleaningRulesApplyRepeatedlyUntilNoneMatches)
{
    struct Case {
        const wchar_t* stored;
        const wchar_t* cleaned;
    } cases[] = {
        {L"sub/dir/a.txt", L"sub/dir/a.txt"},
        {L"C:\\evil\\x.exe", L"evil\\x.exe"},
        {L"\\x.exe", L"x.exe"},
        {L"/abs/y.txt", L"abs/y.txt"},
        {L"//\\\\twice.txt", L"twice.txt"},
        {L"a/../b.txt", L"b.txt"},
        {L"a\\..\\b.txt", L"b.txt"},
        {L"a\\../c.txt", L"c.txt"},
        {L"a/..\\d.txt", L"d.txt"},
        {L"C:/D:\\e.txt", L"e.txt"},          // drive, separator, drive, separator
        {L"x/y/../../z.txt", L"../z.txt"},    // the first inner step goes, a leading one stays
        {L"../up.txt", L"../up.txt"},         // no rule touches a leading parent step
        {L"a..b/c..txt", L"a..b/c..txt"},     // dots inside names are no parent steps
        {L"", L""},
        {L"C:", L""},
    };
    for (const auto& c : cases) EXPECT_EQ(CleanEntryName(c.stored), c.cleaned) << "stored: " << testing::PrintToString(std::wstring(c.stored));
}

TEST(ZipNames, OnlyNamesWithoutParentStepsStayInsideTheFolder)
{
    for (const wchar_t* inside : {L"a.txt", L"sub/a.txt", L"sub\\dir\\", L"a..b/c", L"...", L"..a/b"})
        EXPECT_TRUE(IsContainedEntryName(inside)) << testing::PrintToString(std::wstring(inside));
    for (const wchar_t* outside : {L"../a.txt", L"..\\a.txt", L"..", L"sub/..", L"sub\\..\\", L"../"})
        EXPECT_FALSE(IsContainedEntryName(outside)) << testing::PrintToString(std::wstring(outside));
}

TEST(ZipNames, SplitAfterTheLastSeparator)
{
    std::wstring folder, file;
    SplitEntryName(L"sub/dir\\a.txt", &folder, &file);
    EXPECT_EQ(folder, L"sub/dir\\");
    EXPECT_EQ(file, L"a.txt");
    SplitEntryName(L"a.txt", &folder, &file);
    EXPECT_EQ(folder, L"");
    EXPECT_EQ(file, L"a.txt");
}

TEST(ZipNames, AttributesFollowTheHostThatMadeTheEntry)
{
    struct Case {
        uint16_t madeBy;
        uint32_t external;
        uint32_t attr;
    } cases[] = {
        {0x0014, 0x10, kAttrDirectory},                                   // DOS directory
        {0x0014, 0x27, kAttrReadOnly | kAttrHidden | kAttrSystem | kAttrArchive},
        {0x0714, 0x01, kAttrReadOnly},                                    // Macintosh: DOS bits
        {0x0B14, 0x20, kAttrArchive},                                     // NTFS
        {0x0E14, 0x12, kAttrDirectory | kAttrHidden},                     // VFAT
        {0x0314, 0x41ED0010u, kAttrDirectory | kAttrArchive},             // Unix drwxr-xr-x
        {0x0314, 0x81A40000u, kAttrArchive},                              // Unix -rw-r--r--
        {0x0314, 0x81240000u, kAttrArchive | kAttrReadOnly},              // Unix -r--r--r--
        {0x0314, 0x00000027u, kAttrArchive | kAttrReadOnly},              // DOS bits mean nothing here
        {0x1314, 0x81A40000u, kAttrArchive},                              // OS X: Unix mode
    };
    for (const auto& c : cases)
        EXPECT_EQ(EntryAttributes(c.madeBy, c.external), c.attr) << std::hex << c.madeBy << " " << c.external;
}

TEST(ZipNames, DosDateAndTimeFields)
{
    DosDateTime t = DecodeDosDateTime(uint32_t(0x2B2F) << 16 | 0x6C45);
    EXPECT_EQ(t.year, 2001);
    EXPECT_EQ(t.month, 9);
    EXPECT_EQ(t.day, 15);
    EXPECT_EQ(t.hour, 13);
    EXPECT_EQ(t.minute, 34);
    EXPECT_EQ(t.second, 10);
    DosDateTime last = DecodeDosDateTime(0xFFFFFFFFu);
    EXPECT_EQ(last.year, 2107);
    EXPECT_EQ(last.second, 62); // out of range: the platform conversion refuses it
}

TEST(ZipNames, UnixTimesBecomeTicksSince1601)
{
    EXPECT_EQ(UnixTimeToFileTicks(0), 116444736000000000LL);
    EXPECT_EQ(UnixTimeToFileTicks(1000000000), kTicksOf2001);
    EXPECT_EQ(UnixTimeToFileTicks(-1), 116444736000000000LL - 10000000);
}

TEST(ZipNames, ExtendedTimestampBlockIsFoundAndRead)
{
    // Only a modification time, after another block of 300 bytes.
    ExtendedTimes t = Scan(Block("\xFE\xCA", std::string(300, 'U')) + Block("UT", "\x01" + Le32(1000000000)));
    EXPECT_TRUE(t.hasModified);
    EXPECT_FALSE(t.hasAccessed);
    EXPECT_FALSE(t.hasCreated);
    EXPECT_EQ(t.modified, kTicksOf2001);

    // All three, in the order modified, accessed, created.
    t = Scan(Block("UT", "\x07" + Le32(1) + Le32(2) + Le32(3)));
    EXPECT_EQ(t.modified, UnixTimeToFileTicks(1));
    EXPECT_EQ(t.accessed, UnixTimeToFileTicks(2));
    EXPECT_EQ(t.created, UnixTimeToFileTicks(3));

    // Access time only: it is the first time field.
    t = Scan(Block("UT", "\x02" + Le32(7)));
    EXPECT_FALSE(t.hasModified);
    EXPECT_EQ(t.accessed, UnixTimeToFileTicks(7));

    // Only the first block counts.
    t = Scan(Block("UT", "\x01" + Le32(5)) + Block("UT", "\x01" + Le32(6)));
    EXPECT_EQ(t.modified, UnixTimeToFileTicks(5));
}

TEST(ZipNames, ExtendedTimesOutsideTheBlockOrFieldAreNotRead)
{
    // Flags announce three times, the block holds one and the field ends: only mtime.
    ExtendedTimes t = Scan(Block("UT", "\x07" + Le32(11)));
    EXPECT_TRUE(t.hasModified);
    EXPECT_FALSE(t.hasAccessed);
    EXPECT_FALSE(t.hasCreated);

    // The block claims more data than the field has.
    std::string cut = "UT" + Le16(13) + "\x07" + Le32(12) + "\x01\x02";
    t = Scan(cut);
    EXPECT_EQ(t.modified, UnixTimeToFileTicks(12));
    EXPECT_FALSE(t.hasAccessed);

    // A time whose last byte is missing.
    t = Scan("UT" + Le16(5) + "\x01" + std::string("\x01\x02\x03", 3));
    EXPECT_FALSE(t.hasModified);

    // A short block announcing one time does not borrow the next block's bytes.
    t = Scan(Block("UT", "\x03" + Le32(21)) + Block("\x01\x00", Le32(99)));
    EXPECT_TRUE(t.hasModified);
    EXPECT_FALSE(t.hasAccessed);
}

TEST(ZipNames, FieldsWithoutAUsableBlock)
{
    for (const std::string& field : std::vector<std::string>{
             "", "UT", "UT\x05", "UT" + Le16(0), Block("\xFE\xCA", std::string(20, 'U')),
             Block("\xFE\xCA", "") + "UT", // a "UT" too close to the end to hold a header
         }) {
        ExtendedTimes t = Scan(field);
        EXPECT_FALSE(t.hasModified || t.hasAccessed || t.hasCreated) << testing::PrintToString(field);
    }
    EXPECT_FALSE(ScanExtendedTimestamp(nullptr, 40).hasModified);
}
