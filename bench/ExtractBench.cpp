// Extraction throughput: Tovrin's extraction (tools/tovrin-extract.exe) against
// Debian's miniunzip on the same package of about 100 MB (many small files and one
// large one), both as processes under the same Wine, alternating, several rounds.
// Prints the median of each and their ratio.
#include <windows.h>
#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "archive/ZipBuilder.h"
#include "support/TestPaths.h"

namespace {

double Now()
{
    static LARGE_INTEGER frequency = [] {
        LARGE_INTEGER f;
        QueryPerformanceFrequency(&f);
        return f;
    }();
    LARGE_INTEGER t;
    QueryPerformanceCounter(&t);
    return double(t.QuadPart) * 1000.0 / double(frequency.QuadPart);
}

// Runs a program and returns its wall time in ms, or -1 when it failed.
double TimeRun(const std::wstring& exe, const std::wstring& args, const std::wstring& folder)
{
    std::wstring line = L"\"" + exe + L"\" " + args;
    std::vector<wchar_t> buffer(line.begin(), line.end());
    buffer.push_back(0);
    STARTUPINFOW startup = {};
    startup.cb = sizeof(startup);
    startup.dwFlags = STARTF_USESTDHANDLES;
    HANDLE nul = CreateFileW(L"NUL", GENERIC_WRITE, FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0, nullptr);
    startup.hStdOutput = startup.hStdError = nul;
    PROCESS_INFORMATION info = {};
    double start = Now();
    if (!CreateProcessW(exe.c_str(), buffer.data(), nullptr, nullptr, TRUE, 0, nullptr, folder.c_str(), &startup, &info)) {
        CloseHandle(nul);
        return -1;
    }
    WaitForSingleObject(info.hProcess, INFINITE);
    double elapsed = Now() - start;
    DWORD code = 1;
    GetExitCodeProcess(info.hProcess, &code);
    CloseHandle(info.hProcess);
    CloseHandle(info.hThread);
    CloseHandle(nul);
    return code == 0 ? elapsed : -1;
}

void Tally(const std::wstring& folder, long long* files, long long* bytes)
{
    WIN32_FIND_DATAW found;
    HANDLE search = FindFirstFileW((folder + L"*").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE) return;
    do {
        std::wstring name = found.cFileName;
        if (name == L"." || name == L"..") continue;
        if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
            Tally(folder + name + L"\\", files, bytes);
        } else {
            ++*files;
            *bytes += (long long)found.nFileSizeHigh << 32 | found.nFileSizeLow;
        }
    } while (FindNextFileW(search, &found));
    FindClose(search);
}

double Median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v.empty() ? 0 : v[v.size() / 2];
}

std::string MakeText(uint32_t seed, std::size_t size)
{
    static const char* const kWords[] = {"display ", "cooler ", "temperature ", "firmware ", "package ",
                                         "update ", "installer ", "digital\r\n", "0x1A2C ", "panel "};
    std::string text;
    while (text.size() < size) {
        seed = seed * 1664525u + 1013904223u;
        text += kWords[(seed >> 20) % 10];
    }
    text.resize(size);
    return text;
}

std::string MakeNoise(uint32_t seed, std::size_t size)
{
    std::string data(size, '\0');
    for (auto& c : data) {
        seed ^= seed << 13;
        seed ^= seed >> 17;
        seed ^= seed << 5;
        c = char(seed);
    }
    return data;
}

} // namespace

int wmain(int argc, wchar_t** argv)
{
    const int rounds = argc > 1 ? _wtoi(argv[1]) : 5;
    const std::wstring ours = TOVRIN_EXTRACT_EXE, reference = TOVRIN_MINIUNZIP_EXE;
    std::wstring root = MakeTempFolder(L"extract-bench");
    std::wstring zip = root + L"package.zip";

    // About 100 MB of content: 3000 small files in 30 folders (text, 4 to 28 KB) and
    // one large file of 52 MB, half text, half incompressible.
    long long contentBytes = 0;
    {
        ZipBuilder builder(zip);
        for (int i = 0; i < 3000; ++i) {
            ZipItem item;
            item.name = "data/set" + std::to_string(i % 30) + "/file" + std::to_string(i) + ".txt";
            item.data = MakeText(uint32_t(i), 4096 + std::size_t(i * 7919) % 24576);
            contentBytes += (long long)item.data.size();
            if (!builder.Add(item)) return 1;
        }
        ZipItem large;
        large.name = "Software-1.0.0.6.exe";
        large.data = MakeText(7, 26 << 20) + MakeNoise(11, 26 << 20);
        contentBytes += (long long)large.data.size();
        if (!builder.Add(large) || !builder.Close()) return 1;
    }
    WIN32_FILE_ATTRIBUTE_DATA zipInfo = {};
    GetFileAttributesExW(zip.c_str(), GetFileExInfoStandard, &zipInfo);
    std::printf("package: %lld MB of content in 3001 files, %lu MB compressed\n", contentBytes >> 20,
                (unsigned long)(zipInfo.nFileSizeLow >> 20 | zipInfo.nFileSizeHigh << 12));

    std::vector<double> oursMs, referenceMs;
    for (int round = 0; round < rounds; ++round) {
        std::wstring a = root + L"ours\\", b = root + L"reference\\";
        RemoveTree(a);
        RemoveTree(b);
        CreateDirectoryW(b.c_str(), nullptr); // miniunzip changes into it
        // No backslash before a closing quote: it would escape the quote.
        std::wstring aArg = a.substr(0, a.size() - 1), bArg = b.substr(0, b.size() - 1);
        double t1 = TimeRun(ours, L"\"" + zip + L"\" \"" + aArg + L"\"", root);
        double t2 = TimeRun(reference, L"-x -o \"" + zip + L"\" -d \"" + bArg + L"\"", root);
        if (t1 < 0 || t2 < 0) {
            std::printf("round %d: a run failed (ours %.0f, miniunzip %.0f)\n", round, t1, t2);
            return 1;
        }
        oursMs.push_back(t1);
        referenceMs.push_back(t2);
        long long fa = 0, ba = 0, fb = 0, bb = 0;
        Tally(a, &fa, &ba);
        Tally(b, &fb, &bb);
        std::printf("round %d: tovrin-extract %.0f ms (%lld files, %lld bytes), miniunzip %.0f ms (%lld files, %lld bytes)\n",
                    round, t1, fa, ba, t2, fb, bb);
    }
    double mo = Median(oursMs), mr = Median(referenceMs);
    std::printf("median of %d: tovrin-extract %.0f ms (%.1f MB/s), miniunzip %.0f ms (%.1f MB/s); ratio %.2f\n", rounds,
                mo, double(contentBytes) / 1048576.0 / (mo / 1000.0), mr,
                double(contentBytes) / 1048576.0 / (mr / 1000.0), mo / mr);
    RemoveTree(root);
    return 0;
}
