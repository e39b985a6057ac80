#include "TovrinCore.h"

#include "../log/Log.h"

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

bool TovrinCore::RunTask(int)
{
    return false;
}

void TovrinCore::TemperatureCycle() {}
