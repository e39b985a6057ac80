#pragma once
#include <string>
// The hardware-monitor server: an outside program beside Tovrin that publishes the
// CPU temperature in the shared record.

// Windows 10 or later, asked of ntdll (the version functions lie to programs without
// a matching manifest entry).
bool IsWindows10OrLater();

// Starts HardwareMonitor\OpenHardwareMonitorServer.exe (Windows 10 and later) or
// HardwareMonitorWin7\OpenHardwareMonitorServer.exe from the program folder. Silent:
// a server that cannot start is retried by the watchdog.
void StartMonitorServer();

// The command line StartMonitorServer uses.
std::wstring MonitorServerCommandLine();
