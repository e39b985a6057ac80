// LogWrite end to end: the lines that reach the log file in the work folder.
#include <gtest/gtest.h>

#include <windows.h>
#include <fstream>
#include <regex>
#include <string>
#include <thread>
#include <vector>

#include "log/Log.h"

namespace {

std::string ReadAll(const wchar_t* path)
{
    HANDLE file = CreateFileW(path, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                              OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE) return {};
    std::string text;
    char buffer[65536];
    DWORD got = 0;
    while (ReadFile(file, buffer, sizeof(buffer), &got, nullptr) && got) text.append(buffer, got);
    CloseHandle(file);
    return text;
}

std::vector<std::string> LinesWith(const std::string& text, const std::string& marker)
{
    std::vector<std::string> lines;
    size_t start = 0;
    while (start < text.size()) {
        size_t end = text.find("\r\n", start);
        if (end == std::string::npos) end = text.size();
        std::string line = text.substr(start, end - start);
        if (line.find(marker) != std::string::npos) lines.push_back(line);
        start = end + 2;
    }
    return lines;
}

std::string Marker(const char* what) { return std::string(what) + "-" + std::to_string(GetCurrentProcessId()) + "-" + std::to_string(GetTickCount()); }

} // namespace

TEST(LogFile, LinesInTheWorkFolderFilteredByLevel)
{
    std::wstring path = LogFilePath();
    ASSERT_NE(path.find(L"\\ZEL Files\\Tovrin.log"), std::wstring::npos);
    std::string marker = Marker("levels");
    for (int level = LogTrace; level <= LogFatal; ++level) LogWrite(level, "%s level %d", marker.c_str(), level);

    auto lines = LinesWith(ReadAll(path.c_str()), marker);
    ASSERT_EQ(lines.size(), 4u) << "Trace and Debug are below the threshold";
    std::regex shape(R"(\[\d\d-\d\d \d\d:\d\d:\d\d\.\d\d\d\]\[(Info |Warn |Error|Fatal)\][a-z]+-\d+-\d+ level [2-5])");
    const char* tags[] = {"Info ", "Warn ", "Error", "Fatal"};
    for (size_t i = 0; i < lines.size(); ++i) {
        EXPECT_TRUE(std::regex_match(lines[i], shape)) << lines[i];
        EXPECT_EQ(lines[i].substr(20, 7), std::string("[") + tags[i] + "]");
    }
}

TEST(LogFile, TwoThreadsNeverInterleaveWithinALine)
{
    std::string marker = Marker("threads");
    auto writer = [&](char fill) {
        std::string body(150, fill);
        for (int i = 0; i < 400; ++i) LogWrite(LogInfo, "%s %s", marker.c_str(), body.c_str());
    };
    std::thread a(writer, 'A'), b(writer, 'B');
    a.join();
    b.join();
    auto lines = LinesWith(ReadAll(LogFilePath()), marker);
    // The cap may have turned older lines into Tovrin.log.1; what is here must be whole.
    std::string both = ReadAll((std::wstring(LogFilePath()) + L".1").c_str()) + ReadAll(LogFilePath());
    lines = LinesWith(both, marker);
    ASSERT_EQ(lines.size(), 800u);
    for (const auto& line : lines) {
        std::string body = line.substr(line.rfind(' ') + 1);
        ASSERT_EQ(body.size(), 150u) << line;
        ASSERT_TRUE(body == std::string(150, 'A') || body == std::string(150, 'B')) << line;
    }
}

TEST(LogFile, StaysBelowItsCap)
{
    std::string marker = Marker("cap");
    std::string body(200, 'c');
    for (int i = 0; i < int(kLogFileCap / 200) + 200; ++i) LogWrite(LogWarn, "%s %d %s", marker.c_str(), i, body.c_str());
    WIN32_FILE_ATTRIBUTE_DATA data = {};
    ASSERT_TRUE(GetFileAttributesExW(LogFilePath(), GetFileExInfoStandard, &data));
    EXPECT_LE(data.nFileSizeLow, kLogFileCap);
    EXPECT_EQ(data.nFileSizeHigh, 0u);
    // The newest line survived the turn-over.
    auto lines = LinesWith(ReadAll(LogFilePath()), marker + " " + std::to_string(int(kLogFileCap / 200) + 199) + " ");
    EXPECT_EQ(lines.size(), 1u);
}
