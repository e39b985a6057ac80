#include "Hotplug.h"

#include <dbt.h>
// The HID class library headers lack C linkage for C++.
extern "C" {
#include <hidsdi.h>
#include <hidpi.h>
}
#include <cstddef>
#include <string>

#include "../app/TaskCode.h"
#include "../app/TaskQueue.h"
#include "DeviceManager.h"

namespace {

const GUID kWatchedInterfaceClasses[] = {
    {0xA5DCBF10, 0x6530, 0x11D2, {0x90, 0x1F, 0x00, 0xC0, 0x4F, 0xB9, 0x51, 0xED}}, // USB devices
    {0x53F56307, 0xB6BF, 0x11D0, {0x94, 0xF2, 0x00, 0xA0, 0xC9, 0x1E, 0xFB, 0x8B}}, // disks
    {0x4D1E55B2, 0xF16F, 0x11CF, {0x88, 0xCB, 0x00, 0x11, 0x11, 0x00, 0x00, 0x30}}, // HID
    {0xAD498944, 0x762F, 0x11D0, {0x8D, 0xCB, 0x00, 0xC0, 0x4F, 0xC3, 0x35, 0x8C}}, // network adapters
};

const wchar_t kDisplayIds[] = L"VID_1A2C&PID_4284";

// The interface name, bounded by what the broadcast says it holds: a sender may give
// a name without its terminating zero.
std::wstring InterfaceName(const DEV_BROADCAST_DEVICEINTERFACE_W* broadcast)
{
    std::size_t header = offsetof(DEV_BROADCAST_DEVICEINTERFACE_W, dbcc_name);
    if (broadcast->dbcc_size <= header) return {};
    std::size_t room = (broadcast->dbcc_size - header) / sizeof(wchar_t);
    std::size_t length = 0;
    while (length < room && broadcast->dbcc_name[length]) ++length;
    return std::wstring(broadcast->dbcc_name, length);
}

} // namespace

void RegisterHotplug(HWND window)
{
    for (const GUID& interfaceClass : kWatchedInterfaceClasses) {
        DEV_BROADCAST_DEVICEINTERFACE_W filter = {};
        filter.dbcc_size = sizeof(filter);
        filter.dbcc_devicetype = DBT_DEVTYP_DEVICEINTERFACE;
        filter.dbcc_classguid = interfaceClass;
        // Registrations live as long as the window; nothing to keep.
        RegisterDeviceNotificationW(window, &filter, DEVICE_NOTIFY_WINDOW_HANDLE);
    }
}

bool IsDisplayInterface(const wchar_t* path)
{
    HANDLE device = CreateFileW(path, GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                OPEN_EXISTING, FILE_FLAG_OVERLAPPED, nullptr);
    if (device == INVALID_HANDLE_VALUE) return false;
    HIDD_ATTRIBUTES attributes = {};
    attributes.Size = sizeof(attributes);
    HidD_GetAttributes(device, &attributes);
    bool display = false;
    PHIDP_PREPARSED_DATA preparsed = nullptr;
    if (HidD_GetPreparsedData(device, &preparsed)) {
        HIDP_CAPS caps = {};
        display = HidP_GetCaps(preparsed, &caps) == HIDP_STATUS_SUCCESS && caps.UsagePage == kDisplayUsagePage &&
                  caps.Usage == kDisplayUsage;
        HidD_FreePreparsedData(preparsed);
    }
    CloseHandle(device);
    return display;
}

LRESULT HandleDeviceChange(WPARAM event, LPARAM broadcast, TaskQueue& tasks)
{
    if (event != DBT_DEVICEARRIVAL && event != DBT_DEVICEREMOVECOMPLETE) return 0;
    auto* header = reinterpret_cast<const DEV_BROADCAST_HDR*>(broadcast);
    if (!header || header->dbch_devicetype != DBT_DEVTYP_DEVICEINTERFACE) return 0;
    auto* deviceInterface = reinterpret_cast<const DEV_BROADCAST_DEVICEINTERFACE_W*>(header);

    std::wstring name = InterfaceName(deviceInterface);
    std::wstring upper = name;
    if (!upper.empty()) CharUpperBuffW(upper.data(), DWORD(upper.size()));
    if (upper.find(kDisplayIds) == std::wstring::npos) return 0;

    if (event == DBT_DEVICEARRIVAL && IsDisplayInterface(name.c_str())) tasks.Post(TaskRescanDevices);
    tasks.Post(TaskRescanDevices);
    return 0;
}
