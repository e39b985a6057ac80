#include "MonitorServer.h"

#include <windows.h>
#include <cstdio>
#include <vector>

#include "../app/Folders.h"

bool IsWindows10OrLater()
{
    HMODULE ntdll = LoadLibraryW(L"ntdll.dll");
    if (!ntdll) {
        std::fputs("\xce\xde\xb7\xa8\xbc\xd3\xd4\xd8 ntdll.dll\n", stderr); // GBK text
        return false;
    }
    using VersionNumbers = void(WINAPI*)(DWORD*, DWORD*, DWORD*);
    auto query = reinterpret_cast<VersionNumbers>(
        reinterpret_cast<void*>(GetProcAddress(ntdll, "RtlGetNtVersionNumbers")));
    if (!query) {
        std::fputs("\xce\xde\xb7\xa8\xbb\xf1\xc8\xa1 RtlGetNtVersionNumbers \xba\xaf\xca\xfd\xb5\xc4\xb5\xd8\xd6\xb7\n",
                   stderr);
        FreeLibrary(ntdll);
        return false;
    }
    DWORD major = 0, minor = 0, build = 0;
    query(&major, &minor, &build);
    FreeLibrary(ntdll);
    return major >= 10;
}

std::wstring MonitorServerCommandLine()
{
    // The program folder ends in a backslash, so the path carries a doubled separator;
    // Windows reads it as one.
    return GetProgramFolder() + (IsWindows10OrLater() ? L"\\HardwareMonitor\\OpenHardwareMonitorServer.exe"
                                                       : L"\\HardwareMonitorWin7\\OpenHardwareMonitorServer.exe");
}

void StartMonitorServer()
{
    std::wstring text = MonitorServerCommandLine();
    std::vector<wchar_t> commandLine(text.begin(), text.end());
    commandLine.push_back(0);
    STARTUPINFOW startup = {};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION process = {};
    if (CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process)) {
        CloseHandle(process.hThread);
        CloseHandle(process.hProcess);
    }
}
