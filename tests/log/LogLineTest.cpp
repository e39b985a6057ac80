#include <gtest/gtest.h>

#include <cstdarg>
#include <string>

#include "log/LogLine.h"

namespace {
std::string Line(const LogTime& t, int level, const char* format, ...)
{
    char line[kLogLineBytes];
    va_list args;
    va_start(args, format);
    std::size_t n = FormatLogLine(line, t, level, format, args);
    va_end(args);
    EXPECT_EQ(n, std::string(line).size());
    return line;
}
const LogTime kMarch3 = {3, 3, 14, 5, 9, 42};
} // namespace

TEST(LogLine, PrefixAndTextAsDocumented)
{
    EXPECT_EQ(Line(kMarch3, LogInfo, "cpu_temperatures: %f", 45.5),
              "[03-03 14:05:09.042][Info ]cpu_temperatures: 45.500000");
    EXPECT_EQ(Line({12, 31, 23, 59, 59, 999}, LogInfo, "screen_width: %d, screen_height: %d, workArea(%d-%d-%d-%d)",
                   1920, 1080, 0, 0, 1920, 1040),
              "[12-31 23:59:59.999][Info ]screen_width: 1920, screen_height: 1080, workArea(0-0-1920-1040)");
}

TEST(LogLine, EveryLevelHasItsFiveCharacterTag)
{
    const char* tags[] = {"Trace", "Debug", "Info ", "Warn ", "Error", "Fatal"};
    for (int level = 0; level <= 5; ++level) {
        EXPECT_STREQ(LogLevelTag(level), tags[level]);
        EXPECT_EQ(Line(kMarch3, level, "x"), std::string("[03-03 14:05:09.042][") + tags[level] + "]x");
    }
}

TEST(LogLine, LongTextIsCutToTheLineBound)
{
    std::string longText(1000, 'a');
    std::string line = Line(kMarch3, LogError, "%s", longText.c_str());
    EXPECT_EQ(line.size(), kLogLineBytes - 1);
    EXPECT_EQ(line.substr(0, 21), "[03-03 14:05:09.042][");
    EXPECT_EQ(line.back(), 'a');
}
