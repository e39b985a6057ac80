// Steady-state figures of the core job: the pace of the frames a display receives and
// the CPU time Tovrin and the hardware-monitor server use, extrapolated to an hour.
// Runs the real program from a copy of the install image with one simulated display.
// Wine on Linux only (the CPU time comes from Linux's /proc through the Z: drive).
#include <windows.h>
#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "support/Image.h"

namespace {

std::string ReadWhole(const std::wstring& path)
{
    // /proc files report no size: read to the end.
    HANDLE file = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                              0, nullptr);
    if (file == INVALID_HANDLE_VALUE) return {};
    std::string text;
    char buffer[4096];
    DWORD got = 0;
    while (ReadFile(file, buffer, sizeof(buffer), &got, nullptr) && got) text.append(buffer, got);
    CloseHandle(file);
    return text;
}

// Wine's process times of other processes come in coarse steps; the Linux kernel's
// per-thread run time of the process that runs the program is exact. Finds the Linux
// process whose command line contains `needle` and sums its threads' run time (ms).
double LinuxCpuMs(const std::string& needle)
{
    WIN32_FIND_DATAW entry;
    HANDLE find = FindFirstFileW(L"Z:\\proc\\*", &entry);
    if (find == INVALID_HANDLE_VALUE) return -1;
    double total = -1;
    do {
        std::wstring pid = entry.cFileName;
        if (pid.find_first_not_of(L"0123456789") != std::wstring::npos) continue;
        std::string commandLine = ReadWhole(L"Z:\\proc\\" + pid + L"\\cmdline");
        for (char& c : commandLine) c = char(std::tolower(static_cast<unsigned char>(c)));
        if (commandLine.find(needle) == std::string::npos) continue;
        total = 0;
        WIN32_FIND_DATAW task;
        std::wstring tasks = L"Z:\\proc\\" + pid + L"\\task\\";
        HANDLE findTask = FindFirstFileW((tasks + L"*").c_str(), &task);
        if (findTask == INVALID_HANDLE_VALUE) break;
        do {
            if (task.cFileName[0] == L'.') continue;
            total += std::atof(ReadWhole(tasks + task.cFileName + L"\\schedstat").c_str()) / 1e6;
        } while (FindNextFileW(findTask, &task));
        FindClose(findTask);
        break;
    } while (FindNextFileW(find, &entry));
    FindClose(find);
    return total;
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
    const std::string tovrinNeedle = "tovrin\\tovrin.exe", serverNeedle = "openhardwaremonitorserver.exe";
    double tovrinStart = LinuxCpuMs(tovrinNeedle), serverStart = LinuxCpuMs(serverNeedle);
    DWORD wallStart = GetTickCount();
    Sleep(DWORD(seconds) * 1000);
    double tovrinCpu = LinuxCpuMs(tovrinNeedle) - tovrinStart;
    double serverCpu = LinuxCpuMs(serverNeedle) - serverStart;
    double wall = double(GetTickCount() - wallStart);
    bool measured = tovrinStart >= 0 && serverStart >= 0;

    auto frames = image.Frames(display);
    std::vector<long long> gaps;
    for (size_t i = 1; i < frames.size(); ++i) gaps.push_back(frames[i].ms - frames[i - 1].ms);
    QuitTovrin(tovrin);
    if (gaps.size() < 30) {
        std::fprintf(stderr, "only %zu frame intervals\n", gaps.size());
        return 1;
    }
    std::printf("frames: %zu intervals; median %.0f ms, p10 %.0f ms, p90 %.0f ms, min %.0f ms, max %.0f ms\n",
                gaps.size(), Percentile(gaps, 0.5), Percentile(gaps, 0.1), Percentile(gaps, 0.9), Percentile(gaps, 0.0),
                Percentile(gaps, 1.0));
    std::printf("cpu over %.0f s: Tovrin %.1f ms (%.1f s per hour), server %.1f ms (%.1f s per hour)%s\n", wall / 1000,
                tovrinCpu, tovrinCpu * 3600.0 / wall, serverCpu, serverCpu * 3600.0 / wall,
                measured ? "" : " (process not found in /proc)");
    return 0;
}
