#pragma once
// Formatting of one diagnostic log line; no platform dependencies.
#include <cstdarg>
#include <cstddef>

enum LogLevel : int { LogTrace = 0, LogDebug = 1, LogInfo = 2, LogWarn = 3, LogError = 4, LogFatal = 5 };

constexpr int LogThreshold = LogInfo;
constexpr std::size_t kLogLineBytes = 256; // the whole line, terminator included

struct LogTime {
    int month, day, hour, minute, second, millisecond;
};

// The five-character tag of a level ("Info " and "Warn " carry a blank).
const char* LogLevelTag(int level);

// Writes "[MM-DD hh:mm:ss.mmm][Tag]" and the caller's text into line (kLogLineBytes).
// Text that does not fit is cut; the result is always terminated. Returns its length.
std::size_t FormatLogLine(char* line, const LogTime& time, int level, const char* format, va_list args);
