#include "TestPaths.h"

#include <windows.h>
#include <shlwapi.h>
#include <shellapi.h>
#include <atomic>

std::wstring TestBinFolder()
{
    wchar_t path[MAX_PATH] = {};
    GetModuleFileNameW(nullptr, path, MAX_PATH);
    PathRemoveFileSpecW(path);
    PathAddBackslashW(path);
    return path;
}

std::wstring DistFolder()
{
    wchar_t path[MAX_PATH] = {};
    std::wstring relative = TestBinFolder() + L"..\\dist\\";
    PathCanonicalizeW(path, relative.c_str());
    return path;
}

std::wstring MakeTempFolder(const wchar_t* prefix)
{
    static std::atomic<int> counter{0};
    wchar_t temp[MAX_PATH] = {};
    GetTempPathW(MAX_PATH, temp);
    std::wstring folder = std::wstring(temp) + prefix + L"-" + std::to_wstring(GetCurrentProcessId()) + L"-" +
                          std::to_wstring(GetTickCount()) + L"-" + std::to_wstring(counter++) + L"\\";
    RemoveTree(folder);
    CreateDirectoryW(folder.c_str(), nullptr);
    return folder;
}

void RemoveTree(const std::wstring& folder)
{
    std::wstring from = folder;
    while (!from.empty() && from.back() == L'\\') from.pop_back();
    from.push_back(L'\0'); // double terminator for SHFileOperation
    SHFILEOPSTRUCTW op = {};
    op.wFunc = FO_DELETE;
    op.pFrom = from.c_str();
    op.fFlags = FOF_NO_UI;
    SHFileOperationW(&op);
}
