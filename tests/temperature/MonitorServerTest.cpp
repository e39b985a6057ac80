// The server's folder follows the Windows version, seen by a probe program that runs
// under per-program Wine version settings.
#include <gtest/gtest.h>

#include <windows.h>
#include <string>

#include "../support/Processes.h"
#include "../support/TestPaths.h"

namespace {

struct ProbeResult {
    DWORD exitCode;
    std::string output;
};

// Runs a copy of the probe named exeName, with Wine told to report version for it.
ProbeResult RunProbeAs(const wchar_t* exeName, const wchar_t* version)
{
    std::wstring folder = MakeTempFolder(L"server-probe");
    std::wstring exe = folder + exeName;
    EXPECT_TRUE(CopyFileW((TestBinFolder() + L"support\\server_path_probe.exe").c_str(), exe.c_str(), FALSE));
    std::wstring appKey = std::wstring(L"Software\\Wine\\AppDefaults\\") + exeName;
    HKEY key;
    RegCreateKeyExW(HKEY_CURRENT_USER, appKey.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr);
    RegSetValueExW(key, L"Version", 0, REG_SZ, reinterpret_cast<const BYTE*>(version),
                   DWORD((wcslen(version) + 1) * sizeof(wchar_t)));
    RegCloseKey(key);

    int code = -1;
    ProbeResult result;
    result.output = RunAndCapture(exe, L"", &code);
    result.exitCode = DWORD(code);
    RegDeleteTreeW(HKEY_CURRENT_USER, appKey.c_str());
    RemoveTree(folder);
    return result;
}

bool EndsWith(const std::string& text, const std::string& tail)
{
    std::string trimmed = text.substr(0, text.find_last_not_of("\r\n") + 1);
    return trimmed.size() >= tail.size() && trimmed.compare(trimmed.size() - tail.size(), tail.size(), tail) == 0;
}

} // namespace

TEST(MonitorServer, FolderFollowsTheWindowsVersion)
{
    struct Case {
        const wchar_t* exe;
        const wchar_t* version;
        DWORD exitCode;
        const char* tail;
    } cases[] = {
        // (Wine 8 cannot present itself as Windows 11; it has major version 10 as well.)
        {L"probe_win10.exe", L"win10", 10, "\\\\HardwareMonitor\\OpenHardwareMonitorServer.exe"},
        {L"probe_win7.exe", L"win7", 7, "\\\\HardwareMonitorWin7\\OpenHardwareMonitorServer.exe"},
        {L"probe_win8.exe", L"win8", 7, "\\\\HardwareMonitorWin7\\OpenHardwareMonitorServer.exe"},
        {L"probe_win81.exe", L"win81", 7, "\\\\HardwareMonitorWin7\\OpenHardwareMonitorServer.exe"},
    };
    for (const Case& c : cases) {
        ProbeResult r = RunProbeAs(c.exe, c.version);
        EXPECT_EQ(r.exitCode, c.exitCode) << r.output;
        EXPECT_TRUE(EndsWith(r.output, c.tail)) << r.output;
    }
}
