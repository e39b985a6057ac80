// Process entry: one Tovrin per logon, process preparation, the program's life, and
// the teardown in a fixed order.
#include <windows.h>
#include <gdiplus.h>
#include <objbase.h>
#include <ole2.h>
#include <memory>

#include "CoreWindow.h"
#include "DpiPolicy.h"
#include "Startup.h"
#include "TaskCode.h"
#include "TovrinCore.h"
#include "../display/Hotplug.h"
#include "../setup/StartupTask.h"
#include "../temperature/MonitorServer.h"
#include "core/Manager.h"
#include "../log/Log.h"

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int)
{
    // Owned until the process ends; never closed on purpose.
    HANDLE mutex = CreateMutexW(nullptr, TRUE, L"ZEL");
    if (GetLastError() == ERROR_ALREADY_EXISTS && mutex) {
        CloseHandle(mutex);
        FindInstanceWindow(); // the running instance is left alone
        return 0;
    }

    if (NeedsDpiAwareness(GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN))) SetProcessDPIAware();
    EnableDebugPrivilege();
    KillProcessByName(kMonitorServerExe); // a server left over from an earlier run

    ULONG_PTR gdiplusToken = 0;
    Gdiplus::GdiplusStartupInput gdiplusInput;
    Gdiplus::GdiplusStartup(&gdiplusToken, &gdiplusInput, nullptr);
    KOVA::Manager::SetInstance(instance);
    CoInitialize(nullptr);
    OleInitialize(nullptr);

    auto core = std::make_unique<TovrinCore>();
    if (CoreWindow window(core.get()); window.Handle()) {
        core->LoadSettings();
        RegisterStartupTask();
        StartMonitorServer();
        SetPropW(window.Handle(), L"ZEL", reinterpret_cast<HANDLE>(1));
        RegisterHotplug(window.Handle());
        core->SetPanelWindow(window.Handle());
        core->StartWorker();
        core->PostTask(TaskCheckSoftwareSilent);
        core->PostTask(TaskRescanDevices);
        core->PostTask(TaskCheckFirmwareSilent);
        SetTimer(window.Handle(), TovrinCore::kWatchdogTimer, TovrinCore::kWatchdogPeriod, nullptr);

        KOVA::Manager::MessageLoop();
        core->StopWorker(); // joined for good when the object goes below
    }

    KillProcessByName(kMonitorServerExe);
    CoUninitialize();
    OleUninitialize();
    Gdiplus::GdiplusShutdown(gdiplusToken);
    core.reset(); // waits for a worker still finishing a task
    LogWrite(LogInfo, "Tovrin ended");
    return 1;
}
