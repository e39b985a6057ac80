#include "Folders.h"

#include <windows.h>
#include <shlobj.h>
#include <shlwapi.h>

std::wstring GetProgramFolder()
{
    wchar_t path[MAX_PATH] = {};
    GetModuleFileNameW(nullptr, path, MAX_PATH);
    PathRemoveFileSpecW(path);
    PathAddBackslashW(path);
    return path;
}

std::wstring GetWorkFolder()
{
    wchar_t path[MAX_PATH + 1] = {};
    if (FAILED(SHGetFolderPathW(nullptr, CSIDL_LOCAL_APPDATA, nullptr, 0, path)) || !path[0]) return {};
    std::wstring folder(path);
    folder += L"\\ZEL Files\\";
    return folder;
}
