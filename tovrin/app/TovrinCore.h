#pragma once
// The part of Tovrin that runs without any window: the worker thread with its task
// queue and the dispatch of one pass. The panel builds on it; until the panel exists
// the program's entry drives it directly.
#include "TaskQueue.h"
#include "ThreadBasic.h"
#include "../update/UpdateState.h"

class TovrinCore : public CThreadBasic {
public:
    static constexpr DWORD kPassInterval = 16;   // ms between two passes
    static constexpr DWORD kStopWait = 1000;     // ms a stop waits for the current pass

    TovrinCore() = default;
    ~TovrinCore() override;

    void StartWorker();
    // 1 when the worker ended within the wait.
    int StopWorker();

    // User-interface thread only.
    void PostTask(int code);

    // One pass: the oldest queued task, or a temperature cycle when nothing is queued.
    void WorkerRun() override;

    // The window that receives the worker's posted messages (update results, download
    // progress).
    void SetPanelWindow(HWND window) { m_panelWindow = window; }
    HWND PanelWindow() const { return m_panelWindow; }
    UpdateState& Updates() { return m_update; }

protected:
    // Runs the task of a code; false when the code names no task (it is dropped).
    virtual bool RunTask(int code);
    // The idle step of a pass.
    virtual void TemperatureCycle();

    TaskQueue m_tasks;
    UpdateState m_update{UpdateServerBaseUrl()};

private:
    std::atomic<HWND> m_panelWindow{nullptr};
};
