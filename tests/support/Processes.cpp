#include "Processes.h"

#include <tlhelp32.h>
#include <vector>

ChildProcess& ChildProcess::operator=(ChildProcess&& o) noexcept
{
    std::swap(process, o.process);
    std::swap(pid, o.pid);
    std::swap(mainThreadId, o.mainThreadId);
    return *this;
}

ChildProcess::~ChildProcess()
{
    if (!process) return;
    if (Running()) {
        TerminateProcess(process, 255);
        WaitForSingleObject(process, 5000);
    }
    CloseHandle(process);
}

bool ChildProcess::Running() const { return process && WaitForSingleObject(process, 0) == WAIT_TIMEOUT; }

DWORD ChildProcess::WaitExit(DWORD ms) const
{
    if (!process || WaitForSingleObject(process, ms) != WAIT_OBJECT_0) return STILL_ACTIVE;
    DWORD code = STILL_ACTIVE;
    GetExitCodeProcess(process, &code);
    return code;
}

ChildProcess StartProcess(const std::wstring& exe, const std::wstring& args, DWORD flags, const wchar_t* workingFolder)
{
    std::wstring commandLine = L"\"" + exe + L"\"" + (args.empty() ? L"" : L" " + args);
    std::vector<wchar_t> buffer(commandLine.begin(), commandLine.end());
    buffer.push_back(0);
    STARTUPINFOW startup = {};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION info = {};
    ChildProcess child;
    if (CreateProcessW(exe.c_str(), buffer.data(), nullptr, nullptr, FALSE, flags, nullptr, workingFolder, &startup,
                       &info)) {
        CloseHandle(info.hThread);
        child.process = info.hProcess;
        child.pid = info.dwProcessId;
        child.mainThreadId = info.dwThreadId;
    }
    return child;
}

int CountThreads(DWORD pid)
{
    HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPTHREAD, 0);
    if (snapshot == INVALID_HANDLE_VALUE) return -1;
    int count = 0;
    THREADENTRY32 entry = {};
    entry.dwSize = sizeof(entry);
    for (BOOL more = Thread32First(snapshot, &entry); more; more = Thread32Next(snapshot, &entry))
        if (entry.th32OwnerProcessID == pid) ++count;
    CloseHandle(snapshot);
    return count;
}

int CountTopLevelWindows(DWORD pid)
{
    struct Search {
        DWORD pid;
        int count;
    } search = {pid, 0};
    EnumWindows(
        [](HWND window, LPARAM param) -> BOOL {
            auto* s = reinterpret_cast<Search*>(param);
            DWORD owner = 0;
            GetWindowThreadProcessId(window, &owner);
            if (owner == s->pid) ++s->count;
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&search));
    return search.count;
}

bool DrainUntilExit(HANDLE process, HANDLE* pipes, std::string* outputs, int count, DWORD timeoutMs,
                    bool pumpMessages)
{
    // Non-blocking reads tell "nothing yet" (ERROR_NO_DATA) from "every writer is gone"
    // (ERROR_BROKEN_PIPE) without ever waiting on the pipe.
    DWORD mode = PIPE_READMODE_BYTE | PIPE_NOWAIT;
    for (int i = 0; i < count; ++i) SetNamedPipeHandleState(pipes[i], &mode, nullptr, nullptr);
    std::vector<bool> open(count, true);
    DWORD start = GetTickCount();
    DWORD endedAt = 0;
    for (;;) {
        bool got = false, anyOpen = false;
        for (int i = 0; i < count; ++i) {
            if (!open[i]) continue;
            char chunk[4096];
            DWORD read = 0;
            if (ReadFile(pipes[i], chunk, sizeof(chunk), &read, nullptr)) {
                outputs[i].append(chunk, read);
                got = got || read > 0;
            } else if (GetLastError() != ERROR_NO_DATA) {
                open[i] = false; // broken: all writers closed
            }
            anyOpen = anyOpen || open[i];
        }
        if (!endedAt && WaitForSingleObject(process, 0) == WAIT_OBJECT_0) endedAt = GetTickCount();
        if (endedAt && !anyOpen) return true;
        // Ended, yet a descendant still holds a pipe: take what comes soon, then stop.
        if (endedAt && GetTickCount() - endedAt > 2000) return true;
        if (!endedAt && GetTickCount() - start > timeoutMs) return false;
        if (got) continue;
        if (pumpMessages) {
            MsgWaitForMultipleObjects(1, &process, FALSE, 10, QS_ALLINPUT);
            MSG message;
            while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
                TranslateMessage(&message);
                DispatchMessageW(&message);
            }
        } else {
            WaitForSingleObject(process, 10);
        }
    }
}

std::string RunAndCapture(const std::wstring& exe, const std::wstring& args, int* exitCode)
{
    SECURITY_ATTRIBUTES inherit = {sizeof(inherit), nullptr, TRUE};
    HANDLE readEnd = nullptr, writeEnd = nullptr;
    std::string output;
    *exitCode = -1;
    if (!CreatePipe(&readEnd, &writeEnd, &inherit, 0)) return output;
    SetHandleInformation(readEnd, HANDLE_FLAG_INHERIT, 0);
    STARTUPINFOW startup = {};
    startup.cb = sizeof(startup);
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdOutput = writeEnd;
    startup.hStdError = writeEnd;
    startup.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
    PROCESS_INFORMATION info = {};
    std::wstring commandLine = L"\"" + exe + L"\" " + args;
    BOOL started = CreateProcessW(exe.c_str(), commandLine.data(), nullptr, nullptr, TRUE, CREATE_NO_WINDOW, nullptr,
                                  nullptr, &startup, &info);
    CloseHandle(writeEnd); // the child holds its own copy now
    if (started) {
        CloseHandle(info.hThread);
        if (!DrainUntilExit(info.hProcess, &readEnd, &output, 1, 60000)) {
            TerminateProcess(info.hProcess, 255);
            WaitForSingleObject(info.hProcess, 5000);
        }
        DWORD code = 0;
        GetExitCodeProcess(info.hProcess, &code);
        *exitCode = int(code);
        CloseHandle(info.hProcess);
    }
    CloseHandle(readEnd);
    return output;
}
