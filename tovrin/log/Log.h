#pragma once
// Levelled diagnostic log. Lines at Info and above go to Tovrin.log in the work folder
// (%LOCALAPPDATA%\ZEL Files\), one whole line per write, kept below a size cap by
// turning the full file into Tovrin.log.1.
#include "LogLine.h"

void LogWrite(int level, const char* format, ...)
#ifdef __GNUC__
    __attribute__((format(printf, 2, 3)))
#endif
    ;

// Where the lines go (for diagnosis and tests).
const wchar_t* LogFilePath();

constexpr unsigned long kLogFileCap = 1024 * 1024;
