// Steady-state figures of the core job: the pace of the frames a display receives and
// the CPU time Tovrin and the hardware-monitor server use, extrapolated to an hour.
// Runs the real program from a copy of the install image with one simulated display.
#include <windows.h>
#include <tlhelp32.h>
#include <algorithm>
#include <cstdio>
#include <vector>

#include "support/Image.h"

namespace {

DWORD FindProcess(const wchar_t* exeName)
{
    HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    PROCESSENTRY32W entry = {};
    entry.dwSize = sizeof(entry);
    DWORD pid = 0;
    for (BOOL more = Process32FirstW(snapshot, &entry); more && !pid; more = Process32NextW(snapshot, &entry))
        if (_wcsicmp(entry.szExeFile, exeName) == 0) pid = entry.th32ProcessID;
    CloseHandle(snapshot);
    return pid;
}

double CpuMs(HANDLE process)
{
    FILETIME created, exited, kernel, user;
    if (!GetProcessTimes(process, &created, &exited, &kernel, &user)) return 0;
    auto ticks = [](FILETIME t) { return (double(t.dwHighDateTime) * 4294967296.0 + t.dwLowDateTime) / 1e4; };
    return ticks(kernel) + ticks(user);
}

double Percentile(std::vector<long long> v, double p)
{
    std::sort(v.begin(), v.end());
    return double(v[size_t(p * double(v.size() - 1) + 0.5)]);
}

} // namespace

int main(int argc, char** argv)
{
    int seconds = argc > 1 ? std::atoi(argv[1]) : 45;
    SimulatedImage image;
    int display = image.Plug();
    image.SetSensor("47.5");
    ChildProcess tovrin = image.StartTovrin();
    if (!tovrin.Running() || display < 0) {
        std::fprintf(stderr, "could not start Tovrin or plug a display\n");
        return 1;
    }
    // Settle: server up, first frames out.
    WaitFor([&] { return image.Frames(display).size() >= 3; }, 60000);
    DWORD serverPid = FindProcess(L"OpenHardwareMonitorServer.exe");
    HANDLE server = OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, serverPid);
    double tovrinStart = CpuMs(tovrin.process), serverStart = server ? CpuMs(server) : 0;
    DWORD wallStart = GetTickCount();
    Sleep(DWORD(seconds) * 1000);
    double tovrinCpu = CpuMs(tovrin.process) - tovrinStart;
    double serverCpu = server ? CpuMs(server) - serverStart : 0;
    double wall = double(GetTickCount() - wallStart);

    auto frames = image.Frames(display);
    std::vector<long long> gaps;
    for (size_t i = 1; i < frames.size(); ++i) gaps.push_back(frames[i].ms - frames[i - 1].ms);
    QuitTovrin(tovrin);
    if (server) CloseHandle(server);
    if (gaps.size() < 30) {
        std::fprintf(stderr, "only %zu frame intervals\n", gaps.size());
        return 1;
    }
    std::printf("frames: %zu intervals; median %.0f ms, p10 %.0f ms, p90 %.0f ms, min %.0f ms, max %.0f ms\n",
                gaps.size(), Percentile(gaps, 0.5), Percentile(gaps, 0.1), Percentile(gaps, 0.9), Percentile(gaps, 0.0),
                Percentile(gaps, 1.0));
    std::printf("cpu over %.0f s: Tovrin %.1f ms (%.1f s per hour), server %.1f ms (%.1f s per hour)%s\n", wall / 1000,
                tovrinCpu, tovrinCpu * 3600.0 / wall, serverCpu, serverCpu * 3600.0 / wall,
                server ? "" : " (server not found)");
    return 0;
}
