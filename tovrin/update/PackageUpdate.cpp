#include "PackageUpdate.h"

#include <shellapi.h>
#include <shlwapi.h>
#include <cstdlib>

#include "../app/Folders.h"
#include "../archive/ZipReader.h"
#include "../log/Log.h"
#include "Versions.h"

namespace {

// The version text ends up in file names: refuse anything a file name cannot hold,
// above all separators that would lead out of the package folder.
bool IsFileNameSafe(const std::wstring& version)
{
    if (!IsUsableVersionText(version)) return false;
    for (wchar_t c : version)
        if (c < L' ' || wcschr(L"\\/:*?\"<>|", c)) return false;
    return version != L"." && version != L"..";
}

std::string Narrow(const std::wstring& text)
{
    int n = WideCharToMultiByte(CP_UTF8, 0, text.c_str(), -1, nullptr, 0, nullptr, nullptr);
    std::string out(n > 0 ? n : 1, '\0');
    if (n > 0) WideCharToMultiByte(CP_UTF8, 0, text.c_str(), -1, out.data(), n, nullptr, nullptr);
    out.resize(out.size() - 1);
    return out;
}

void RunPackageTask(HttpTransfer& transfer, const std::wstring& baseUrl, PackageKind kind, const std::wstring& version,
                    HWND panel)
{
    if (DownloadAndStartPackage(transfer, baseUrl, kind, version, panel) != PackageStarted) return;
    LogWrite(LogInfo, "update: %s%s started; Tovrin ends", Narrow(kind.namePrefix).c_str(), Narrow(version).c_str());
    std::exit(0);
}

} // namespace

bool CreateDirectoryTree(const std::wstring& path)
{
    if (PathIsDirectoryW(path.c_str())) return true;
    std::size_t first = path.find(L'\\');
    if (first != std::wstring::npos)
        for (std::size_t at = path.find(L'\\', first + 1); at != std::wstring::npos; at = path.find(L'\\', at + 1))
            CreateDirectoryW(path.substr(0, at).c_str(), nullptr);
    CreateDirectoryW(path.c_str(), nullptr);
    // A file of that name also answers "already exists": only a directory will do.
    return PathIsDirectoryW(path.c_str()) != FALSE;
}

std::wstring PackageFolder()
{
    std::wstring work = GetWorkFolder();
    return work.empty() ? std::wstring() : work + L"temp\\";
}

PackageOutcome DownloadAndStartPackage(HttpTransfer& transfer, const std::wstring& baseUrl, PackageKind kind,
                                       const std::wstring& version, HWND notifyWindow)
{
    if (!IsFileNameSafe(version)) {
        LogWrite(LogWarn, "update: version text unusable as a package name");
        return PackageNotObtained;
    }
    std::wstring folder = PackageFolder();
    if (folder.empty()) return PackageNotObtained;
    std::wstring package = kind.namePrefix + version + L".zip";
    std::wstring url = baseUrl + L"//" + package; // the base ends with "/": the server answers three slashes
    std::wstring zip = folder + package;

    CreateDirectoryTree(folder);
    DeleteFileW(zip.c_str());
    int result = transfer.DownloadToFile(url, zip, notifyWindow);
    if (!PathFileExistsW(zip.c_str())) {
        LogWrite(LogWarn, "update: %s not obtained (%d)", Narrow(package).c_str(), result);
        return PackageNotObtained;
    }
    if (ExtractArchive(zip.c_str(), folder.c_str())) DeleteFileW(zip.c_str());

    std::wstring program = folder + kind.namePrefix + version + L".exe";
    if (!PathFileExistsW(program.c_str())) {
        LogWrite(LogWarn, "update: the package holds no %s", Narrow(program).c_str());
        return PackageNotStarted;
    }
    INT_PTR started = INT_PTR(ShellExecuteW(nullptr, L"open", program.c_str(), nullptr, nullptr, SW_SHOW));
    if (started <= 32) {
        LogWrite(LogWarn, "update: cannot start %s (%d)", Narrow(program).c_str(), int(started));
        return PackageNotStarted;
    }
    return PackageStarted;
}

void InstallSoftwareUpdate(UpdateState& state, HWND panel)
{
    RunPackageTask(state.transfer, state.SoftwareBaseUrl, kSoftwarePackage, state.LatestSoftwareVersion(), panel);
}

void RunFirmwareUpdateTool(UpdateState& state, HWND panel)
{
    RunPackageTask(state.transfer, state.FirmwareBaseUrl, kFirmwarePackage, state.LatestFirmwareVersion(), panel);
}
