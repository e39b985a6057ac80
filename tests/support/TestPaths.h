#pragma once
#include <string>

// Folder of the running test executable, with a trailing backslash (build\tests\).
std::wstring TestBinFolder();
// The install image (build\dist\).
std::wstring DistFolder();
// A fresh, empty folder below the Windows temp folder, unique to this call.
std::wstring MakeTempFolder(const wchar_t* prefix);
// Removes a folder tree; quiet when it does not exist.
void RemoveTree(const std::wstring& folder);
