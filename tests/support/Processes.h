#pragma once
// Starting and watching other processes from a test.
#include <windows.h>
#include <string>

struct ChildProcess {
    HANDLE process = nullptr;
    DWORD pid = 0;
    DWORD mainThreadId = 0;

    ChildProcess() = default;
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;
    ChildProcess(ChildProcess&& o) noexcept { *this = std::move(o); }
    ChildProcess& operator=(ChildProcess&& o) noexcept;
    ~ChildProcess(); // terminates the child when it still runs

    bool Running() const;
    // Exit code after waiting at most ms; STILL_ACTIVE when it did not end in time.
    DWORD WaitExit(DWORD ms) const;
};

// Starts exe with the given arguments; extra creation flags such as CREATE_SUSPENDED.
ChildProcess StartProcess(const std::wstring& exe, const std::wstring& args = L"", DWORD flags = 0,
                          const wchar_t* workingFolder = nullptr);

// Reads the pipes (read ends) into the strings until process has ended and no more
// output comes, without ever blocking on a pipe: a descendant that inherited a write
// end and lives on must not hang the test. Gives up on the process after timeoutMs.
// With pumpMessages the calling thread's window messages are dispatched meanwhile.
// Returns true when the process ended in time.
bool DrainUntilExit(HANDLE process, HANDLE* pipes, std::string* outputs, int count, DWORD timeoutMs,
                    bool pumpMessages = false);

// Runs exe to its end (at most a minute) and returns what it wrote to its standard
// output and error; *exitCode is -1 when it could not be started.
std::string RunAndCapture(const std::wstring& exe, const std::wstring& args, int* exitCode);

// Number of threads and of top-level windows the process has at this moment.
int CountThreads(DWORD pid);
int CountTopLevelWindows(DWORD pid);

// Polls cond every few milliseconds for at most ms; true once it held.
template <class Cond>
bool WaitFor(Cond cond, DWORD ms)
{
    DWORD start = GetTickCount();
    while (!cond()) {
        if (GetTickCount() - start > ms) return false;
        Sleep(10);
    }
    return true;
}
