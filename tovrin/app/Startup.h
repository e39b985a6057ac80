#pragma once
// Process preparation at start-up.
#include <windows.h>

// The server executable that start-up and shutdown clear away.
extern const wchar_t* const kMonitorServerExe;

// Enables SeDebugPrivilege on our token; true when the adjustment reported no error.
bool EnableDebugPrivilege();

// Terminates the first running process whose executable name equals name in any
// letter case. True when the process list could be taken, whether or not anything
// was terminated.
bool KillProcessByName(const wchar_t* name);

// The top-level window that carries the instance marker "ZEL", or null.
HWND FindInstanceWindow();
