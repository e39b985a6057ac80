#include "ThreadBasic.h"

#include <process.h>

CThreadBasic::CThreadBasic() = default;

CThreadBasic::~CThreadBasic()
{
    // Last line of defence; owners join earlier, while their own members still live.
    m_running = 0;
    if (m_stopEvent) SetEvent(m_stopEvent);
    Join();
}

void CThreadBasic::StartThread(DWORD interval)
{
    if (m_running.load() != 0 || m_thread) return;
    m_interval = interval;
    m_loop = 1;
    m_startTick = GetTickCount();
    m_doneEvent = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    m_stopEvent = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    m_running = 1;
    m_thread = reinterpret_cast<HANDLE>(_beginthreadex(nullptr, 0, ThreadProc, this, 0, nullptr));
    if (!m_thread) {
        m_running = 0;
        Join();
    }
}

int CThreadBasic::StopThread(DWORD waitMs)
{
    if (m_running.exchange(0) == 0) return m_thread ? 0 : 1;
    if (m_stopEvent) SetEvent(m_stopEvent);
    if (!m_doneEvent || WaitForSingleObject(m_doneEvent, waitMs) != WAIT_OBJECT_0)
        return 0; // still inside a pass: its handles stay open until Join()
    Join();
    return 1;
}

void CThreadBasic::Join()
{
    if (m_thread) {
        WaitForSingleObject(m_thread, INFINITE);
        CloseHandle(m_thread);
        m_thread = nullptr;
    }
    if (m_doneEvent) {
        CloseHandle(m_doneEvent);
        m_doneEvent = nullptr;
    }
    if (m_stopEvent) {
        CloseHandle(m_stopEvent);
        m_stopEvent = nullptr;
    }
}

bool CThreadBasic::PauseUnlessStopped(DWORD ms)
{
    if (!m_stopEvent) {
        Sleep(ms);
        return true;
    }
    return WaitForSingleObject(m_stopEvent, ms) == WAIT_TIMEOUT;
}

unsigned __stdcall CThreadBasic::ThreadProc(void* arg)
{
    auto* self = static_cast<CThreadBasic*>(arg);
    if (self->m_loop == 0) {
        self->WorkerRun();
    } else {
        while (self->m_running.load() != 0) {
            self->WorkerRun();
            self->PauseUnlessStopped(self->m_interval);
        }
    }
    SetEvent(self->m_doneEvent);
    return self->m_startTick;
}
