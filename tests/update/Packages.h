#pragma once
// Update packages for tests: a ZIP holding the recording stand-in for an installer.
#include <string>

// The bytes of a package whose program, named programName, records that it ran (a
// file "<its path>.ran"); with a note in a sub-folder when withNote is set. scratch is
// a folder the archive may be written in.
std::string PackageWithProgram(const std::string& programName, const std::wstring& scratch, bool withNote = false);
