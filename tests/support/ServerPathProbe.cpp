// Prints the server command line Tovrin would use, as this process sees the Windows
// version (tests run it under per-program Wine version settings).
#include <windows.h>
#include <cstdio>

#include "temperature/MonitorServer.h"

int main()
{
    std::wstring commandLine = MonitorServerCommandLine();
    std::printf("%ls\n", commandLine.c_str());
    return IsWindows10OrLater() ? 10 : 7;
}
