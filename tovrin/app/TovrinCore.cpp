#include "TovrinCore.h"

#include "TaskCode.h"
#include "../log/Log.h"
#include "../update/PackageUpdate.h"
#include "../update/UpdateChecks.h"

TovrinCore::~TovrinCore()
{
    // The worker calls into this object: it must have ended before any member goes.
    StopThread(0);
    Join();
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
    // No display link yet: the firmware checks see no display.
    static const FirmwareVersionQuery noDisplay = [](int*) { return 0; };
    switch (code) {
    case TaskCheckSoftwareInteractive:
    case TaskCheckSoftwareSilent:
        CheckSoftwareVersion(m_update, PanelWindow(), code == TaskCheckSoftwareInteractive);
        return true;
    case TaskCheckFirmwareInteractive:
    case TaskCheckFirmwareSilent:
        CheckFirmwareVersion(m_update, PanelWindow(), code == TaskCheckFirmwareInteractive, noDisplay);
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

void TovrinCore::TemperatureCycle() {}
