#include "SimTestSupport.h"

#include <gtest/gtest.h>

#include <shlwapi.h>

#include <algorithm>
#include <thread>

#include "../support/Processes.h"
#include "../support/TestPaths.h"

namespace {

bool MakePipe(HANDLE& read, HANDLE& write)
{
    SECURITY_ATTRIBUTES inherit = {sizeof(inherit), nullptr, TRUE};
    if (!CreatePipe(&read, &write, &inherit, 0)) return false;
    SetHandleInformation(read, HANDLE_FLAG_INHERIT, 0);
    return true;
}


} // namespace

std::wstring SimFolder()
{
    wchar_t path[MAX_PATH] = {};
    PathCanonicalizeW(path, (TestBinFolder() + L"..\\sim\\").c_str());
    return path;
}

std::wstring DisplaySimExe() { return SimFolder() + L"displaysim.exe"; }

std::wstring SimHidapiDll() { return SimFolder() + L"hidapi.dll"; }

ToolRun RunTool(const std::wstring& exe, const std::wstring& args, bool pumpMessages)
{
    ToolRun run;
    HANDLE outRead, outWrite, errRead, errWrite;
    if (!MakePipe(outRead, outWrite)) return run;
    if (!MakePipe(errRead, errWrite)) {
        CloseHandle(outRead);
        CloseHandle(outWrite);
        return run;
    }
    STARTUPINFOW startup = {};
    startup.cb = sizeof(startup);
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
    startup.hStdOutput = outWrite;
    startup.hStdError = errWrite;
    std::wstring commandLine = L"\"" + exe + L"\" " + args;
    PROCESS_INFORMATION info = {};
    BOOL started = CreateProcessW(exe.c_str(), commandLine.data(), nullptr, nullptr, TRUE, CREATE_NO_WINDOW, nullptr,
                                  nullptr, &startup, &info);
    // Only the child holds the writing ends now.
    CloseHandle(outWrite);
    CloseHandle(errWrite);
    if (started) {
        CloseHandle(info.hThread);
        HANDLE pipes[] = {outRead, errRead};
        std::string outputs[2];
        if (!DrainUntilExit(info.hProcess, pipes, outputs, 2, 30000, pumpMessages)) {
            ADD_FAILURE() << "still running after 30 s, ended";
            TerminateProcess(info.hProcess, 255);
            WaitForSingleObject(info.hProcess, 5000);
        }
        run.out = outputs[0];
        run.err = outputs[1];
        GetExitCodeProcess(info.hProcess, &run.exitCode);
        CloseHandle(info.hProcess);
    } else {
        ADD_FAILURE() << "cannot start the program, error " << GetLastError();
    }
    CloseHandle(outRead);
    CloseHandle(errRead);
    return run;
}

std::vector<std::string> Lines(const std::string& text)
{
    std::vector<std::string> lines;
    std::size_t start = 0;
    while (start < text.size()) {
        std::size_t end = text.find('\n', start);
        if (end == std::string::npos) end = text.size();
        std::string line = text.substr(start, end - start);
        if (!line.empty() && line.back() == '\r') line.pop_back();
        lines.push_back(line);
        start = end + 1;
    }
    return lines;
}

int Plug(const std::wstring& options)
{
    ToolRun run = RunSim(L"plug " + options);
    EXPECT_EQ(run.exitCode, 0u) << run.err;
    std::vector<std::string> lines = Lines(run.out);
    EXPECT_EQ(lines.size(), 1u) << run.out;
    if (run.exitCode != 0 || lines.size() != 1) return -1;
    return std::stoi(lines[0]);
}

int CountKernelHandles(DWORD pid)
{
    // The extended handle list of NtQuerySystemInformation, class 64, with its layout.
    struct Entry {
        void* object;
        ULONG_PTR processId;
        ULONG_PTR handle;
        ULONG access;
        USHORT backTrace;
        USHORT typeIndex;
        ULONG attributes;
        ULONG reserved;
    };
    struct List {
        ULONG_PTR count;
        ULONG_PTR reserved;
        Entry entries[1];
    };
    using Query = LONG(WINAPI*)(ULONG, void*, ULONG, ULONG*);
    auto query = reinterpret_cast<Query>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"ntdll.dll"), "NtQuerySystemInformation")));
    if (!query) return -1;
    std::vector<unsigned char> buffer(1 << 20);
    for (;;) {
        ULONG needed = 0;
        LONG status = query(64, buffer.data(), static_cast<ULONG>(buffer.size()), &needed);
        if (status == 0) break;
        if (status != LONG(0xC0000004) || buffer.size() > (256u << 20)) return -1; // not "length mismatch"
        buffer.resize(std::max<std::size_t>(buffer.size() * 2, needed));
    }
    auto* list = reinterpret_cast<const List*>(buffer.data());
    int count = 0;
    for (ULONG_PTR i = 0; i < list->count; ++i)
        if (list->entries[i].processId == pid) ++count;
    return count;
}

void SetStateFolder(const std::wstring& folder)
{
    SetEnvironmentVariableW(L"TOVRIN_DISPLAY_SIM", folder.empty() ? nullptr : folder.c_str());
}

const SimHidapi& Hid()
{
    static const SimHidapi api = [] {
        SimHidapi loaded;
        loaded.module = LoadLibraryW(SimHidapiDll().c_str());
        if (!loaded.module) return loaded;
#define SIM_HID_RESOLVE(name)                                                                                          \
    loaded.name =                                                                                                      \
        reinterpret_cast<decltype(loaded.name)>(reinterpret_cast<void*>(GetProcAddress(loaded.module, #name)));
        SIM_HID_FUNCTIONS(SIM_HID_RESOLVE)
#undef SIM_HID_RESOLVE
        return loaded;
    }();
    EXPECT_NE(api.module, nullptr) << "cannot load the stand-in hidapi.dll";
#define SIM_HID_CHECK(name) EXPECT_NE(api.name, nullptr) << #name " is not exported";
    SIM_HID_FUNCTIONS(SIM_HID_CHECK)
#undef SIM_HID_CHECK
    return api;
}

ScopedStateFolder::ScopedStateFolder() : path_(MakeTempFolder(L"display sim"))
{
    // A folder the tool has to create itself: one level below the fresh one.
    path_ += L"state";
    SetStateFolder(path_);
}

ScopedStateFolder::~ScopedStateFolder()
{
    SetStateFolder(L"");
    RemoveTree(path_.substr(0, path_.size() - 5));
}
