// The worker's pass loop with the real thread and queue; tasks and the idle step are
// replaced by recorders so the tests see exactly what ran, in which order.
#include <gtest/gtest.h>

#include <windows.h>
#include <atomic>
#include <mutex>
#include <string>
#include <vector>

#include "../support/Processes.h"
#include "app/TaskCode.h"
#include "app/TovrinCore.h"

namespace {

class RecordingCore : public TovrinCore {
public:
    ~RecordingCore() override
    {
        StopThread(0);
        Join();
        CloseHandle(releaseLongTask);
        CloseHandle(longTaskStarted);
    }

    std::vector<std::string> Events()
    {
        std::lock_guard<std::mutex> guard(m_lock);
        return m_events;
    }
    int CountOf(const std::string& event)
    {
        int n = 0;
        for (const auto& e : Events()) n += e == event;
        return n;
    }

    // How long the idle step pauses (stands in for the frame pause) and whether it
    // records itself.
    // While set and not signalled, the idle step waits for it (a cycle that is running).
    HANDLE holdCycle = nullptr;
    bool recordCycles = true;
    // Task 7 blocks until this event is set (a download that outlasts a stop).
    HANDLE releaseLongTask = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    HANDLE longTaskStarted = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    std::atomic<bool>* longTaskFinished = nullptr;

protected:
    bool RunTask(int code) override
    {
        switch (code) {
        case TaskRescanDevices:
        case TaskCheckSoftwareSilent:
        case TaskCheckFirmwareSilent:
            Record("task " + std::to_string(code));
            return true;
        case TaskDownloadSoftware:
            Record("long task begins");
            SetEvent(longTaskStarted);
            WaitForSingleObject(releaseLongTask, INFINITE);
            Record("long task ends");
            if (longTaskFinished) *longTaskFinished = true;
            return true;
        default:
            return TovrinCore::RunTask(code);
        }
    }

    void TemperatureCycle() override
    {
        if (recordCycles) Record("cycle begins");
        if (holdCycle) WaitForSingleObject(holdCycle, INFINITE);
        if (recordCycles) Record("cycle ends");
        else Sleep(1);
    }

private:
    void Record(const std::string& event)
    {
        std::lock_guard<std::mutex> guard(m_lock);
        m_events.push_back(event);
    }
    std::mutex m_lock;
    std::vector<std::string> m_events;
};

} // namespace

TEST(Worker, RunsQueuedTasksInOrderBeforeIdleSteps)
{
    RecordingCore core;
    core.recordCycles = false;
    // Queued before the start, as the panel's initialisation does it.
    core.PostTask(TaskCheckSoftwareSilent);
    core.PostTask(TaskRescanDevices);
    core.PostTask(TaskCheckFirmwareSilent);
    core.PostTask(TaskRescanDevices);
    core.StartWorker();
    EXPECT_EQ(core.GetInterval(), 16u);
    ASSERT_TRUE(WaitFor([&] { return core.Events().size() >= 4; }, 10000));
    EXPECT_EQ(core.StopWorker(), 1);
    EXPECT_EQ(core.Events(), (std::vector<std::string>{"task 5", "task 1", "task 6", "task 1"}));
}

TEST(Worker, CodesWithoutATaskAreDroppedAndTheQueueMovesOn)
{
    RecordingCore core;
    for (int code : {0, 2, 9, -1, 1, 100, 6}) core.PostTask(code);
    core.StartWorker();
    ASSERT_TRUE(WaitFor([&] { return core.CountOf("cycle ends") >= 1; }, 10000));
    EXPECT_EQ(core.StopWorker(), 1);
    auto events = core.Events();
    // Seven codes took seven passes; only the two real tasks did anything, and the
    // first idle step came only after the queue was empty.
    ASSERT_GE(events.size(), 3u);
    EXPECT_EQ(events[0], "task 1");
    EXPECT_EQ(events[1], "task 6");
    EXPECT_EQ(events[2], "cycle begins");
}

TEST(Worker, TaskPostedDuringACycleStartsAfterThatCycle)
{
    RecordingCore core;
    core.holdCycle = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    core.StartWorker();
    ASSERT_TRUE(WaitFor([&] { return core.CountOf("cycle begins") >= 1; }, 10000));
    core.PostTask(TaskRescanDevices); // lands while the cycle is held
    Sleep(200);
    EXPECT_EQ(core.CountOf("task 1"), 0) << "a task ran while the cycle was still running";
    SetEvent(core.holdCycle);
    ASSERT_TRUE(WaitFor([&] { return core.CountOf("task 1") == 1; }, 10000));
    EXPECT_EQ(core.StopWorker(), 1);

    auto events = core.Events();
    auto task = std::find(events.begin(), events.end(), "task 1") - events.begin();
    ASSERT_GE(task, 2);
    EXPECT_EQ(events[task - 1], "cycle ends") << "the task must wait for the running cycle";
    EXPECT_EQ(events[task - 2], "cycle begins");
    CloseHandle(core.holdCycle);
}

TEST(Worker, QueueThatNeverEmptiesStarvesTheIdleStep)
{
    RecordingCore core;
    for (int i = 0; i < 200; ++i) core.PostTask(TaskRescanDevices);
    core.StartWorker();
    // One task per pass: the queue outlasts this wait, so no idle step may run.
    ASSERT_TRUE(WaitFor([&] { return core.CountOf("task 1") >= 5; }, 10000));
    core.StopWorker();
    EXPECT_EQ(core.CountOf("cycle begins"), 0);
    EXPECT_LT(core.CountOf("task 1"), 200);
}

TEST(Worker, StopGivesUpAfterItsWaitButNothingIsReleasedUnderTheTask)
{
    RecordingCore core;
    core.PostTask(TaskDownloadSoftware);
    core.StartWorker();
    ASSERT_EQ(WaitForSingleObject(core.longTaskStarted, 10000), WAIT_OBJECT_0);

    EXPECT_EQ(core.StopWorker(), 0) << "the task outlasts the stop's wait";
    EXPECT_FALSE(core.IsRunning());
    EXPECT_EQ(core.CountOf("long task ends"), 0);

    // The task finishes only now; the worker must still find its event and queue.
    SetEvent(core.releaseLongTask);
    core.Join();
    auto events = core.Events();
    ASSERT_FALSE(events.empty());
    EXPECT_EQ(events.back(), "long task ends") << "no pass may run after the stop";
}

TEST(Worker, DestroyingARunningWorkerWaitsForItsPass)
{
    std::atomic<bool> finished{false};
    auto* core = new RecordingCore;
    core->longTaskFinished = &finished;
    core->PostTask(TaskDownloadSoftware);
    core->StartWorker();
    ASSERT_EQ(WaitForSingleObject(core->longTaskStarted, 10000), WAIT_OBJECT_0);
    HANDLE release = core->releaseLongTask;
    // Release the task from another thread a little later, while the destructor waits.
    HANDLE helper = CreateThread(
        nullptr, 0,
        [](void* event) -> DWORD {
            Sleep(200);
            SetEvent(static_cast<HANDLE>(event));
            return 0;
        },
        release, 0, nullptr);
    delete core; // must not return before the pass ends
    EXPECT_TRUE(finished.load()) << "the object was destroyed under a running task";
    WaitForSingleObject(helper, INFINITE);
    CloseHandle(helper);
}
