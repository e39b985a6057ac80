#pragma once
// The download tasks: fetch the package into the work folder, unpack it, start the
// installer or firmware tool inside, and end Tovrin once that program runs.
#include <windows.h>
#include <string>

#include "UpdateState.h"

// True when path is, or has now become, a directory. Levels are separated by
// backslashes only.
bool CreateDirectoryTree(const std::wstring& path);

enum PackageOutcome {
    PackageNotObtained = 0, // no package on disk: nothing changed, Tovrin keeps running
    PackageNotStarted = 1,  // package obtained, but its program could not be started
    PackageStarted = 2,     // the program runs; Tovrin is to end
};

// What a package is called: "Software-" or "FirmwareUpdateTool-" before the version.
struct PackageKind {
    const wchar_t* namePrefix;
};
constexpr PackageKind kSoftwarePackage = {L"Software-"};
constexpr PackageKind kFirmwarePackage = {L"FirmwareUpdateTool-"};

// The package folder inside the work folder, with a trailing backslash.
std::wstring PackageFolder();

// Downloads baseUrl + "/" + package into the package folder with progress posts to
// notifyWindow, extracts it there and starts the program of the same name.
PackageOutcome DownloadAndStartPackage(HttpTransfer& transfer, const std::wstring& baseUrl, PackageKind kind,
                                       const std::wstring& version, HWND notifyWindow);

// Tasks 7 and 8: do not return when the package's program was started (the process
// ends with exit status 0).
void InstallSoftwareUpdate(UpdateState& state, HWND panel);
void RunFirmwareUpdateTool(UpdateState& state, HWND panel);
