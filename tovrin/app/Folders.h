#pragma once
// Folders Tovrin works in.
#include <string>

// The executable's folder with a trailing backslash.
std::wstring GetProgramFolder();

// "ZEL Files" in the user's local application data, with a trailing backslash; empty
// when the local application data folder is unknown.
std::wstring GetWorkFolder();
