#include "TovrinCore.h"

#include <cmath>

#include "../display/DeviceManager.h"
#include "../display/Hotplug.h"
#include "../log/Log.h"
#include "../temperature/DisplayValue.h"
#include "../temperature/MonitorServer.h"
#include "../temperature/SharedRecord.h"
#include "../update/PackageUpdate.h"
#include "../update/UpdateChecks.h"
#include "Settings.h"
#include "TaskCode.h"
#include "core/Manager.h"

TovrinCore::~TovrinCore()
{
    // The worker calls into this object: it must have ended before any member goes.
    StopThread(0);
    Join();
}

void TovrinCore::LoadSettings()
{
    m_ledSwitch = ReadSetting(L"led_switch");
    if (m_ledSwitch == 0) {
        WriteSetting(L"led_switch", L"1");
        m_ledSwitch = 1;
    }
    m_deviceType = ReadSetting(L"device_type");
    m_tempeType = ReadSetting(L"tempe_type");
}

void TovrinCore::StartWorker()
{
    StartThread(kPassInterval);
    LogWrite(LogInfo, "worker started");
}

int TovrinCore::StopWorker()
{
    m_update.transfer.Stop(); // a download in progress ends after its current chunk
    int ended = StopThread(kStopWait);
    LogWrite(LogInfo, ended ? "worker stopped" : "worker still finishing its task after %lu ms",
             (unsigned long)kStopWait);
    return ended;
}

void TovrinCore::PostTask(int code) { m_tasks.Post(code); }

LRESULT TovrinCore::OnDeviceChange(WPARAM event, LPARAM broadcast)
{
    return HandleDeviceChange(event, broadcast, m_tasks);
}

bool TovrinCore::OnWatchdogTick()
{
    // A server that has not published yet is started again, for the first minute only.
    const void* record = m_record.load();
    if (record && ReadRecordFloat(record, kPublishingOffset) <= 0.0f) {
        LogWrite(LogInfo, "hardware monitor has not published yet: starting it again");
        StartMonitorServer();
    }
    return m_watchdogTicks++ <= kWatchdogTicks - 2;
}

void TovrinCore::WorkerRun()
{
    int code = 0;
    if (!m_tasks.Take(&code)) {
        TemperatureCycle();
        return;
    }
    if (!RunTask(code)) LogWrite(LogInfo, "task %d: no such task, dropped", code);
}

bool TovrinCore::RunTask(int code)
{
    switch (code) {
    case TaskRescanDevices:
        RescanDevices();
        return true;
    case TaskCheckSoftwareInteractive:
    case TaskCheckSoftwareSilent:
        CheckSoftwareVersion(m_update, PanelWindow(), code == TaskCheckSoftwareInteractive);
        return true;
    case TaskCheckFirmwareInteractive:
    case TaskCheckFirmwareSilent:
        CheckFirmwareVersion(m_update, PanelWindow(), code == TaskCheckFirmwareInteractive,
                             [](int* version) { return DeviceManager::Instance().QueryFirmwareVersion(version); });
        return true;
    case TaskDownloadSoftware:
        InstallSoftwareUpdate(m_update, PanelWindow());
        return true;
    case TaskDownloadFirmware:
        RunFirmwareUpdateTool(m_update, PanelWindow());
        return true;
    default:
        return false;
    }
}

void TovrinCore::RescanDevices()
{
    DeviceManager& devices = DeviceManager::Instance();
    devices.Rescan();
    LogWrite(LogInfo, "displays: %d", devices.DisplayCount());
    AttachSharedRecord();
}

void TovrinCore::AttachSharedRecord()
{
    if (m_record.load()) return; // once attached, for the life of the process
    if (MapSharedRecord(&m_mapping, &m_view)) m_record.store(m_view);
}

void TovrinCore::TemperatureCycle()
{
    const void* record = m_record.load();
    if (!record) return;
    float celsius = ReadRecordFloat(record, kCpuTemperatureOffset);
    if (celsius == 0.0f) return; // not published yet: look again on the next pass
    if (std::isnan(celsius)) {
        // No reading to show; wait as after a frame rather than poll a broken record.
        PauseUnlessStopped(kFramePause);
        return;
    }
    LogWrite(LogInfo, "cpu_temperatures: %f", celsius);

    int value = DisplayValue(celsius, m_tempeType.load());
    KOVA::Manager::SetCPUTemp(float(value));
    if (HWND panel = m_panelWindow.load()) {
        RECT client;
        if (GetClientRect(panel, &client)) InvalidateRect(panel, &client, FALSE);
    }
    Digits digits = SplitDigits(value);
    DeviceManager::Instance().SendToAll(BuildTemperatureFrame(digits.hundreds, digits.tens, digits.units));
    PauseUnlessStopped(kFramePause);
}
