#pragma once
// The part of Tovrin that runs without any user interface: the settings it holds, the
// worker thread with its task queue, the shared-record attachment, the temperature
// cycle and the server watchdog. The panel builds on it; until the panel exists the
// program's entry drives it directly.
//
// The worker runs the virtual passes of whatever derives from this class: an owner
// stops it (StopWorker) and joins it before anything the passes use is destroyed. The
// destructor here joins too, but by then a derived class's members are already gone.
#include <windows.h>
#include <atomic>

#include "TaskQueue.h"
#include "ThreadBasic.h"
#include "../update/UpdateState.h"

class TovrinCore : public CThreadBasic {
public:
    static constexpr DWORD kPassInterval = 16;    // ms between two passes
    static constexpr DWORD kStopWait = 1000;      // ms a stop waits for the current pass
    static constexpr DWORD kFramePause = 1000;    // ms after each frame
    static constexpr UINT_PTR kWatchdogTimer = 300;
    static constexpr UINT kWatchdogPeriod = 5000; // ms
    static constexpr int kWatchdogTicks = 12;

    TovrinCore() = default;
    ~TovrinCore() override;

    // Reads the three settings; a "led_switch" that reads as 0 is written back as 1.
    void LoadSettings();
    int LedSwitch() const { return m_ledSwitch; }
    int DeviceType() const { return m_deviceType; }
    int TempeType() const { return m_tempeType.load(); }
    // The unit chosen on the user-interface thread; the worker reads it each cycle.
    void SetTempeType(int unit) { m_tempeType.store(unit); }

    // The window that receives repaint requests and posted results (the panel).
    void SetPanelWindow(HWND window) { m_panelWindow.store(window); }
    HWND PanelWindow() const { return m_panelWindow.load(); }
    // The update fields: base URLs, versions, the downloads' transfer object.
    UpdateState& Updates() { return m_update; }

    void StartWorker();
    // 1 when the worker ended within the wait.
    int StopWorker();

    // User-interface thread only.
    void PostTask(int code);
    // WM_DEVICECHANGE of the panel window.
    LRESULT OnDeviceChange(WPARAM event, LPARAM broadcast);
    // One tick of the server watchdog; false once it has had its last tick.
    bool OnWatchdogTick();

    // One pass: the oldest queued task, or a temperature cycle when nothing is queued.
    void WorkerRun() override;

    // The mapped record, null until a rescan attached it.
    const void* Record() const { return m_record.load(); }

protected:
    // Runs the task of a code; false when the code names no task (it is dropped).
    virtual bool RunTask(int code);
    // The idle step: the published temperature to the panel and every display.
    virtual void TemperatureCycle();
    // Task 1: close and reopen every display, then attach the shared record if needed.
    void RescanDevices();
    void AttachSharedRecord();

    TaskQueue m_tasks;
    UpdateState m_update{UpdateServerBaseUrl()};

private:
    int m_ledSwitch = 1;
    int m_deviceType = 0;
    std::atomic<int> m_tempeType{0};
    std::atomic<HWND> m_panelWindow{nullptr};
    HANDLE m_mapping = nullptr;
    const void* m_view = nullptr;
    std::atomic<const void*> m_record{nullptr};
    int m_watchdogTicks = 0;
};
