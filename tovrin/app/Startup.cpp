#include "Startup.h"

#include <tlhelp32.h>
#include <cwchar>

const wchar_t* const kMonitorServerExe = L"OpenHardwareMonitorServer.exe";

bool EnableDebugPrivilege()
{
    HANDLE token = nullptr;
    if (!OpenProcessToken(GetCurrentProcess(), TOKEN_ADJUST_PRIVILEGES, &token)) return false;
    TOKEN_PRIVILEGES privileges = {};
    privileges.PrivilegeCount = 1;
    privileges.Privileges[0].Attributes = SE_PRIVILEGE_ENABLED;
    LookupPrivilegeValueW(nullptr, L"SeDebugPrivilege", &privileges.Privileges[0].Luid);
    AdjustTokenPrivileges(token, FALSE, &privileges, sizeof(privileges), nullptr, nullptr);
    // AdjustTokenPrivileges succeeds even when it assigned nothing; only the last
    // error tells.
    DWORD error = GetLastError();
    CloseHandle(token);
    return error == 0;
}

bool KillProcessByName(const wchar_t* name)
{
    HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    if (snapshot == INVALID_HANDLE_VALUE) return false;

    DWORD found = 0;
    bool matched = false;
    PROCESSENTRY32W entry = {};
    entry.dwSize = sizeof(entry);
    for (BOOL more = Process32FirstW(snapshot, &entry); more; more = Process32NextW(snapshot, &entry)) {
        _wcslwr_s(entry.szExeFile, MAX_PATH);
        if (_wcsicmp(entry.szExeFile, name) == 0) {
            found = entry.th32ProcessID;
            matched = true;
            break;
        }
    }
    CloseHandle(snapshot);

    if (matched) {
        if (HANDLE process = OpenProcess(PROCESS_ALL_ACCESS, FALSE, found)) {
            TerminateProcess(process, 0);
            CloseHandle(process);
        }
    }
    return true;
}

HWND FindInstanceWindow()
{
    for (HWND window = GetWindow(GetDesktopWindow(), GW_CHILD); IsWindow(window);
         window = GetWindow(window, GW_HWNDNEXT)) {
        if (GetPropW(window, L"ZEL")) return window;
    }
    return nullptr;
}
