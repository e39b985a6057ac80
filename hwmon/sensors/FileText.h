#pragma once
// Reading the small text files that sensors are published in.
#include <cstddef>
#include <string>

// Reads the whole file into buffer (not terminated). Reads until end of file, because
// Wine reports the files below Z:\sys and Z:\proc with size 0 or 4096. Returns the
// number of bytes, or -1 when the file cannot be read or holds more than capacity bytes.
// Others may write, rename or delete the file meanwhile.
int ReadSmallFile(const std::wstring& path, char* buffer, std::size_t capacity);

// The value of an environment variable; empty when it is not set.
std::wstring EnvironmentValue(const wchar_t* name);
