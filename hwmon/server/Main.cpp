// The hardware-monitor server: publishes the CPU temperature once a second into the
// shared record that Tovrin reads. A GUI-subsystem program without windows, so no
// console appears when Tovrin starts it; Tovrin ends it with TerminateProcess.
#include <windows.h>

#include "server/Server.h"

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int)
{
    // Only one copy publishes. Tovrin's watchdog starts us again every five seconds
    // while nothing is published, and its clean-up terminates only the first process
    // of our name it finds: later copies leave at once, without touching the record.
    // A terminated publisher abandons the mutex, and the next copy takes over.
    HANDLE mutex = CreateMutexW(nullptr, FALSE, kPublisherMutexName);
    if (!mutex) return 1;
    DWORD owned = WaitForSingleObject(mutex, 0);
    if (owned != WAIT_OBJECT_0 && owned != WAIT_ABANDONED) {
        CloseHandle(mutex);
        return 0;
    }
    return RunServer(); // the mutex stays held for the life of the process
}
