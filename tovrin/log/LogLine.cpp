#include "LogLine.h"

#include <cstdio>
#include <cstring>

const char* LogLevelTag(int level)
{
    static const char* const tags[] = {"Trace", "Debug", "Info ", "Warn ", "Error", "Fatal"};
    if (level < LogTrace) level = LogTrace;
    if (level > LogFatal) level = LogFatal;
    return tags[level];
}

std::size_t FormatLogLine(char* line, const LogTime& t, int level, const char* format, va_list args)
{
    std::memset(line, 0, kLogLineBytes);
    int prefix = std::snprintf(line, kLogLineBytes, "[%02d-%02d %02d:%02d:%02d.%03d][%s]", t.month, t.day,
                               t.hour, t.minute, t.second, t.millisecond, LogLevelTag(level));
    if (prefix < 0) return 0;
    std::size_t used = std::strlen(line);
    if (format && used + 1 < kLogLineBytes) std::vsnprintf(line + used, kLogLineBytes - used, format, args);
    return std::strlen(line);
}
