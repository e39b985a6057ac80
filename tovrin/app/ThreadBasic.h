#pragma once
// One background thread that repeats a pass body at a fixed interval until stopped.
//
// The thread handle is kept (not closed at start): a stop that gives up waiting must
// not release anything the thread still uses, so whoever owns the object calls Join()
// before the members that the pass body touches are destroyed.
#include <windows.h>
#include <atomic>

class CThreadBasic {
public:
    CThreadBasic();
    virtual ~CThreadBasic();
    CThreadBasic(const CThreadBasic&) = delete;
    CThreadBasic& operator=(const CThreadBasic&) = delete;

    // The pass body, run on the thread.
    virtual void WorkerRun() = 0;

    // Starts the looping thread with the given pause after each pass; does nothing
    // when it already runs.
    void StartThread(DWORD interval);
    // Asks the thread to end after its current pass and waits at most waitMs for it.
    // Returns 1 when it ended in time, 0 when it is still finishing its pass.
    int StopThread(DWORD waitMs);
    // Waits, without limit, until the thread has ended, then releases its handles.
    void Join();

    bool IsRunning() const { return m_running.load() != 0; }
    DWORD GetInterval() const { return m_interval; }

protected:
    // A pause that a stop request cuts short, so stopping never waits out a long pause.
    // Returns false when the pause was cut short by a stop.
    bool PauseUnlessStopped(DWORD ms);

private:
    static unsigned __stdcall ThreadProc(void* arg);

    HANDLE m_doneEvent = nullptr;
    std::atomic<LONG> m_running{0};
    LONG m_loop = 0;
    DWORD m_interval = 1;
    DWORD m_startTick = 0;
    HANDLE m_thread = nullptr;
    HANDLE m_stopEvent = nullptr;
};
