// The real temperature cycle against a shared record written by the test, as the
// hardware-monitor server would write it.
#include <gtest/gtest.h>

#include <windows.h>
#include <atomic>
#include <cmath>
#include <cstring>
#include <limits>
#include <string>

#include "../support/Image.h"
#include "../support/Processes.h"
#include "../support/TestPaths.h"
#include "app/Startup.h"
#include "app/TaskCode.h"
#include "app/TovrinCore.h"
#include "core/Manager.h"
#include "log/Log.h"
#include "temperature/SharedRecord.h"

namespace {

// Runs single passes on the test's thread, and records when tasks start.
class CycleProbe : public TovrinCore {
public:
    ~CycleProbe() override
    {
        StopThread(0);
        Join();
    }
    void Cycle() { TemperatureCycle(); }
    void Attach() { RunTask(TaskRescanDevices); }
    std::atomic<DWORD> taskStartedAt{0};

protected:
    bool RunTask(int code) override
    {
        if (code == TaskCheckSoftwareSilent) {
            taskStartedAt = GetTickCount();
            return true;
        }
        return TovrinCore::RunTask(code);
    }
};

class TemperatureCycle : public ::testing::Test {
protected:
    void SetUp() override
    {
        m_mapping = CreateFileMappingA(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0, kSharedRecordBytes,
                                       kSharedRecordName);
        ASSERT_NE(m_mapping, nullptr);
        m_record = static_cast<unsigned char*>(MapViewOfFile(m_mapping, FILE_MAP_WRITE, 0, 0, kSharedRecordBytes));
        ASSERT_NE(m_record, nullptr);
        Publish(0.0f);
        // Visible: only a shown window keeps an update region.
        m_window = CreateWindowExW(WS_EX_TOOLWINDOW, L"STATIC", L"panel", WS_POPUP | WS_VISIBLE, 0, 0, 340, 250, nullptr,
                                   nullptr, nullptr, nullptr);
        ValidateRect(m_window, nullptr);
        ASSERT_NE(m_window, nullptr);
        m_core.SetPanelWindow(m_window);
        KOVA::Manager::SetCPUTemp(-999.0f);
    }
    void TearDown() override
    {
        DestroyWindow(m_window);
        UnmapViewOfFile(m_record);
        CloseHandle(m_mapping);
        KOVA::Manager::SetCPUTemp(0.0f);
    }

    void Publish(float celsius)
    {
        std::memcpy(m_record + kCpuTemperatureOffset, &celsius, sizeof(celsius));
        float one = 1.0f;
        std::memcpy(m_record + kPublishingOffset, &one, sizeof(one));
    }
    bool Repainted()
    {
        RECT update;
        bool dirty = GetUpdateRect(m_window, &update, FALSE) != FALSE;
        ValidateRect(m_window, nullptr);
        return dirty;
    }
    static int LogLinesWith(const std::string& text)
    {
        HANDLE file = CreateFileW(LogFilePath(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                  nullptr, OPEN_EXISTING, 0, nullptr);
        std::string all;
        char buffer[65536];
        DWORD got = 0;
        while (file != INVALID_HANDLE_VALUE && ReadFile(file, buffer, sizeof(buffer), &got, nullptr) && got)
            all.append(buffer, got);
        if (file != INVALID_HANDLE_VALUE) CloseHandle(file);
        int n = 0;
        for (size_t at = all.find(text); at != std::string::npos; at = all.find(text, at + 1)) ++n;
        return n;
    }

    HANDLE m_mapping = nullptr;
    unsigned char* m_record = nullptr;
    HWND m_window = nullptr;
    CycleProbe m_core;
};

} // namespace

TEST_F(TemperatureCycle, ShowsTheConvertedValueAndAsksForARepaint)
{
    Publish(45.9f);
    m_core.Cycle();
    EXPECT_FLOAT_EQ(KOVA::Manager::GetCPUTemp(), -999.0f) << "nothing before the record is attached";
    EXPECT_FALSE(Repainted());

    m_core.Attach();
    ASSERT_NE(m_core.Record(), nullptr);
    struct Case {
        float published;
        int unit;
        float shown;
    } cases[] = {{45.9f, 0, 45.0f}, {-3.7f, 0, -3.0f}, {37.9f, 1, 98.0f}, {250.0f, 0, 199.0f}, {2.0f, 2, 2.0f}};
    for (const Case& c : cases) {
        Publish(c.published);
        m_core.SetTempeType(c.unit);
        int logged = LogLinesWith("cpu_temperatures: " + std::to_string(c.published).substr(0, 4));
        m_core.Cycle();
        EXPECT_FLOAT_EQ(KOVA::Manager::GetCPUTemp(), c.shown) << c.published << " unit " << c.unit;
        EXPECT_TRUE(Repainted()) << c.published;
        EXPECT_EQ(LogLinesWith("cpu_temperatures: " + std::to_string(c.published).substr(0, 4)), logged + 1);
    }
}

TEST_F(TemperatureCycle, NoReadingLeavesEverythingAlone)
{
    m_core.Attach();
    for (float none : {0.0f, -0.0f, std::numeric_limits<float>::quiet_NaN()}) {
        Publish(none);
        m_core.Cycle();
        EXPECT_FLOAT_EQ(KOVA::Manager::GetCPUTemp(), -999.0f) << none;
        EXPECT_FALSE(Repainted()) << none;
    }
}

TEST_F(TemperatureCycle, TaskPostedDuringTheFramePauseWaitsForIt)
{
    Publish(50.0f);
    m_core.PostTask(TaskRescanDevices); // attaches the record on the first pass
    m_core.StartWorker();
    ASSERT_TRUE(WaitFor([] { return KOVA::Manager::GetCPUTemp() == 50.0f; }, 10000));
    DWORD frameAt = GetTickCount(); // the cycle now pauses after its frame
    m_core.PostTask(TaskCheckSoftwareSilent);
    ASSERT_TRUE(WaitFor([&] { return m_core.taskStartedAt.load() != 0; }, 10000));
    m_core.StopWorker();
    // A lower bound only: the pause must have passed before the task ran.
    EXPECT_GE(m_core.taskStartedAt.load() - frameAt, TovrinCore::kFramePause - 50);
}

namespace {
int RunningServers() { return CountProcessesNamed(L"OpenHardwareMonitorServer.exe"); }
} // namespace

// The watchdog starts the server beside the program: here a stand-in that only waits,
// placed where this test program's server would be.
TEST_F(TemperatureCycle, WatchdogRestartsASilentServerForTwelveTicks)
{
    std::wstring folder = TestBinFolder() + L"HardwareMonitorWin7\\";
    CreateDirectoryW(folder.c_str(), nullptr);
    ASSERT_TRUE(CopyFileW((TestBinFolder() + L"support\\sleeper.exe").c_str(),
                          (folder + L"OpenHardwareMonitorServer.exe").c_str(), FALSE));
    while (RunningServers() > 0) KillProcessByName(L"OpenHardwareMonitorServer.exe");

    std::memset(m_record + kPublishingOffset, 0, 4);
    EXPECT_TRUE(m_core.OnWatchdogTick()) << "1st tick";
    EXPECT_EQ(RunningServers(), 0) << "no record attached yet: nothing to judge by";

    m_core.Attach();
    EXPECT_TRUE(m_core.OnWatchdogTick()) << "2nd tick";
    EXPECT_TRUE(WaitFor([] { return RunningServers() == 1; }, 10000)) << "not published: started again";

    Publish(40.0f);
    for (int tick = 3; tick <= 11; ++tick) EXPECT_TRUE(m_core.OnWatchdogTick()) << tick << "th tick";
    Sleep(500);
    EXPECT_EQ(RunningServers(), 1) << "a publishing server is left alone";

    std::memset(m_record + kPublishingOffset, 0, 4);
    EXPECT_FALSE(m_core.OnWatchdogTick()) << "the 12th tick is the last";
    EXPECT_TRUE(WaitFor([] { return RunningServers() == 2; }, 10000)) << "the last tick still checks";

    while (RunningServers() > 0) KillProcessByName(L"OpenHardwareMonitorServer.exe");
    DeleteFileW((folder + L"OpenHardwareMonitorServer.exe").c_str());
    RemoveDirectoryW(folder.c_str());
}
