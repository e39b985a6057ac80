// What one temperature frame costs the host through the stand-in hidapi.dll, with an
// empty frame log and with one grown close to its rotation size: appending must keep
// the cost flat however long a demonstration has run. The floor is a bare append of
// the same line to a file of its own, measured in the same run.
#include <hidapi/hidapi.h>

#include <windows.h>
#include <shlwapi.h>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <string>
#include <vector>

#include "SimStore.h"

namespace {

constexpr int kRounds = 7;
constexpr int kCallsPerRound = 300;

double Now()
{
    static LARGE_INTEGER frequency = [] {
        LARGE_INTEGER f;
        QueryPerformanceFrequency(&f);
        return f;
    }();
    LARGE_INTEGER count;
    QueryPerformanceCounter(&count);
    return double(count.QuadPart) / double(frequency.QuadPart);
}

// Median microseconds per call of each function; the rounds take turns, so that noise
// on the machine falls on all of them alike.
std::vector<double> MedianMicroseconds(const std::vector<std::function<void()>>& calls)
{
    std::vector<std::vector<double>> rounds(calls.size());
    for (int round = 0; round < kRounds; ++round)
        for (std::size_t which = 0; which < calls.size(); ++which) {
            double start = Now();
            for (int i = 0; i < kCallsPerRound; ++i) calls[which]();
            rounds[which].push_back((Now() - start) * 1e6 / kCallsPerRound);
        }
    std::vector<double> medians;
    for (std::vector<double>& times : rounds) {
        std::sort(times.begin(), times.end());
        medians.push_back(times[kRounds / 2]);
    }
    return medians;
}

std::wstring Beside(const wchar_t* relative)
{
    wchar_t path[MAX_PATH], canonical[MAX_PATH];
    GetModuleFileNameW(nullptr, path, MAX_PATH);
    PathRemoveFileSpecW(path);
    PathAppendW(path, relative);
    PathCanonicalizeW(canonical, path);
    return canonical;
}

} // namespace

int main()
{
    wchar_t temp[MAX_PATH];
    GetTempPathW(MAX_PATH, temp);
    std::wstring folder = std::wstring(temp) + L"sim-send-cost-" + std::to_wstring(GetCurrentProcessId());
    CreateDirectoryW(folder.c_str(), nullptr);
    SetEnvironmentVariableW(L"TOVRIN_DISPLAY_SIM", folder.c_str());

    HMODULE dll = LoadLibraryW(Beside(L"..\\sim\\hidapi.dll").c_str());
    if (!dll) {
        std::fprintf(stderr, "cannot load build\\sim\\hidapi.dll\n");
        return 1;
    }
    auto open =
        reinterpret_cast<decltype(&hid_open_path)>(reinterpret_cast<void*>(GetProcAddress(dll, "hid_open_path")));
    auto send = reinterpret_cast<decltype(&hid_send_feature_report)>(
        reinterpret_cast<void*>(GetProcAddress(dll, "hid_send_feature_report")));
    auto close = reinterpret_cast<decltype(&hid_close)>(reinterpret_cast<void*>(GetProcAddress(dll, "hid_close")));

    sim::SimStore store(folder);
    sim::SimInterface fresh, grown;
    if (!store.Plug(fresh) || !store.Plug(grown)) return 1;
    // A log of about a day's frames, short of the rotation size by more than this run adds.
    std::string line = "12345678 07ffff000402" + std::string(118, '0') + "\n";
    std::string block;
    for (int i = 0; i < 1000; ++i) block += line;
    HANDLE log = CreateFileW((folder + L"\\" + std::to_wstring(grown.index) + L".frames").c_str(), GENERIC_WRITE, 0,
                             nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    DWORD written;
    while (GetFileSize(log, nullptr) + block.size() < sim::kDefaultFrameLogBytes - (1u << 20))
        WriteFile(log, block.data(), DWORD(block.size()), &written, nullptr);
    DWORD grownBytes = GetFileSize(log, nullptr);
    CloseHandle(log);

    hid_device* freshDevice = open(sim::InterfacePath(fresh).c_str());
    hid_device* grownDevice = open(sim::InterfacePath(grown).c_str());
    if (!freshDevice || !grownDevice) return 1;
    unsigned char frame[65] = {0x07, 0xFF, 0xFF, 0, 4, 2};
    std::wstring floorPath = folder + L"\\floor.log";

    std::vector<double> medians = MedianMicroseconds({
        [&] { send(freshDevice, frame, sizeof frame); },
        [&] { send(grownDevice, frame, sizeof frame); },
        [&] {
            HANDLE file = CreateFileW(floorPath.c_str(), FILE_APPEND_DATA, FILE_SHARE_READ, nullptr, OPEN_ALWAYS,
                                      FILE_ATTRIBUTE_NORMAL, nullptr);
            WriteFile(file, line.data(), DWORD(line.size()), &written, nullptr);
            CloseHandle(file);
        },
    });
    double emptyLog = medians[0], grownLog = medians[1], floor = medians[2];

    std::printf("hid_send_feature_report, 65 bytes, median of %d rounds of %d calls\n", kRounds, kCallsPerRound);
    std::printf("  empty frame log        %8.1f us/call\n", emptyLog);
    std::printf("  frame log of %4.1f MiB  %8.1f us/call\n", grownBytes / 1048576.0, grownLog);
    std::printf("  bare file append       %8.1f us/call\n", floor);
    std::printf("ratio grown/empty log    %8.2f\n", grownLog / emptyLog);
    std::printf("ratio send/bare append   %8.2f\n", emptyLog / floor);

    close(freshDevice);
    close(grownDevice);
    std::wstring from = folder + L'\0';
    SHFILEOPSTRUCTW remove = {};
    remove.wFunc = FO_DELETE;
    remove.pFrom = from.c_str();
    remove.fFlags = FOF_NO_UI;
    SHFileOperationW(&remove);
    return 0;
}
