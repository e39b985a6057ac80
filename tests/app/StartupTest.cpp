// Start-up behaviour against real processes: the single-instance rule with two real
// Tovrin processes, and the server termination against dummy processes.
#include <gtest/gtest.h>

#include <windows.h>
#include <algorithm>
#include <string>

#include "../support/Image.h"
#include "../support/Processes.h"
#include "../support/TestPaths.h"
#include "app/Startup.h"

namespace {

std::wstring TovrinExe() { return DistFolder() + L"Tovrin.exe"; }

// A copy of the sleeper under another name, as a stand-in server process.
std::wstring SleeperNamed(const std::wstring& folder, const wchar_t* name)
{
    std::wstring target = folder + name;
    EXPECT_TRUE(CopyFileW((TestBinFolder() + L"support\\sleeper.exe").c_str(), target.c_str(), FALSE));
    return target;
}

struct Observed {
    int maxThreads = 0;
    int maxWindows = 0;
    DWORD exitCode = STILL_ACTIVE;
};

// Watches a process started suspended from its first instruction to its end.
Observed RunAndObserve(ChildProcess& child)
{
    Observed seen;
    HANDLE thread = OpenThread(THREAD_SUSPEND_RESUME, FALSE, child.mainThreadId);
    EXPECT_NE(thread, nullptr);
    ResumeThread(thread);
    CloseHandle(thread);
    DWORD start = GetTickCount();
    while (child.Running() && GetTickCount() - start < 30000) {
        seen.maxThreads = std::max(seen.maxThreads, CountThreads(child.pid));
        seen.maxWindows = std::max(seen.maxWindows, CountTopLevelWindows(child.pid));
    }
    seen.exitCode = child.WaitExit(5000);
    return seen;
}

} // namespace

TEST(SingleInstance, SecondProcessExitsZeroWithoutWindowOrThread)
{
    ASSERT_FALSE(InstanceMutexExists()) << "another Tovrin runs in this prefix";
    ChildProcess first = StartProcess(TovrinExe());
    ASSERT_TRUE(first.process) << "cannot start " << std::string(TovrinExe().begin(), TovrinExe().end());
    ASSERT_TRUE(WaitFor([] { return InstanceMutexExists(); }, 20000));
    // The first instance is up with its worker beside the main thread.
    ASSERT_TRUE(WaitFor([&] { return CountThreads(first.pid) >= 2; }, 20000));

    ChildProcess second = StartProcess(TovrinExe(), L"", CREATE_SUSPENDED);
    ASSERT_TRUE(second.process);
    int threadsAtStart = CountThreads(second.pid);
    Observed seen = RunAndObserve(second);
    EXPECT_EQ(seen.exitCode, 0u);
    EXPECT_EQ(seen.maxWindows, 0);
    EXPECT_LE(seen.maxThreads, threadsAtStart) << "the second instance started a thread";

    EXPECT_TRUE(first.Running()) << "the first instance must not be disturbed";
    EXPECT_EQ(QuitTovrin(first), 1u) << "orderly teardown ends with 1";
    EXPECT_FALSE(InstanceMutexExists());
}

TEST(SingleInstance, TwoStartedTogetherLeaveExactlyOne)
{
    ASSERT_FALSE(InstanceMutexExists());
    ChildProcess a = StartProcess(TovrinExe());
    ChildProcess b = StartProcess(TovrinExe());
    ASSERT_TRUE(a.process && b.process);
    ASSERT_TRUE(WaitFor([&] { return !a.Running() || !b.Running(); }, 30000));
    Sleep(500);
    ChildProcess& survivor = a.Running() ? a : b;
    ChildProcess& refused = a.Running() ? b : a;
    EXPECT_TRUE(survivor.Running());
    EXPECT_EQ(refused.WaitExit(1000), 0u);
    EXPECT_EQ(QuitTovrin(survivor), 1u);
}

TEST(KillProcessByName, EndsAServerWhoseNameDiffersOnlyInCase)
{
    std::wstring folder = MakeTempFolder(L"kill-case");
    ChildProcess server = StartProcess(SleeperNamed(folder, L"openHARDWAREmonitorserver.EXE"));
    ChildProcess bystander = StartProcess(SleeperNamed(folder, L"OpenHardwareMonitor.exe"));
    ASSERT_TRUE(server.Running() && bystander.Running());

    EXPECT_TRUE(KillProcessByName(L"OpenHardwareMonitorServer.exe"));
    EXPECT_EQ(server.WaitExit(10000), 0u) << "terminated with exit code 0";
    EXPECT_TRUE(bystander.Running()) << "a different name must survive";

    // Nothing left to end: still true, nothing else touched.
    EXPECT_TRUE(KillProcessByName(L"OpenHardwareMonitorServer.exe"));
    EXPECT_TRUE(bystander.Running());
    bystander = ChildProcess();
    server = ChildProcess();
    RemoveTree(folder);
}

TEST(KillProcessByName, EndsOnlyTheFirstOfTwo)
{
    std::wstring folder = MakeTempFolder(L"kill-two");
    CreateDirectoryW((folder + L"b").c_str(), nullptr);
    ChildProcess one = StartProcess(SleeperNamed(folder, L"OpenHardwareMonitorServer.exe"));
    ChildProcess two = StartProcess(SleeperNamed(folder + L"b\\", L"OPENHARDWAREMONITORSERVER.exe"));
    ASSERT_TRUE(one.Running() && two.Running());

    EXPECT_TRUE(KillProcessByName(L"OpenHardwareMonitorServer.exe"));
    ASSERT_TRUE(WaitFor([&] { return !one.Running() || !two.Running(); }, 10000));
    Sleep(300);
    EXPECT_NE(one.Running(), two.Running()) << "exactly one of the two must have ended";

    EXPECT_TRUE(KillProcessByName(L"OpenHardwareMonitorServer.exe"));
    EXPECT_TRUE(WaitFor([&] { return !one.Running() && !two.Running(); }, 10000));
    one = ChildProcess();
    two = ChildProcess();
    RemoveTree(folder);
}
