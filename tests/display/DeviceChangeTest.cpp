// The device-change handler with the notifications a real device would cause.
#include <gtest/gtest.h>

#include <windows.h>
#include <dbt.h>
#include <cstddef>
#include <cstring>
#include <string>
#include <vector>

#include "app/TaskQueue.h"
#include "display/DeviceManager.h"
#include "display/Hotplug.h"

namespace {

// A broadcast as the system builds it: header plus the name and its terminator.
std::vector<unsigned char> Broadcast(const std::wstring& name, DWORD deviceType = DBT_DEVTYP_DEVICEINTERFACE,
                                     bool terminated = true)
{
    std::size_t header = offsetof(DEV_BROADCAST_DEVICEINTERFACE_W, dbcc_name);
    std::size_t chars = name.size() + (terminated ? 1 : 0);
    std::vector<unsigned char> bytes(header + chars * sizeof(wchar_t) + 64, 0xAB); // trailing junk
    auto* b = reinterpret_cast<DEV_BROADCAST_DEVICEINTERFACE_W*>(bytes.data());
    b->dbcc_size = DWORD(header + chars * sizeof(wchar_t));
    b->dbcc_devicetype = deviceType;
    b->dbcc_reserved = 0;
    b->dbcc_classguid = {0x4D1E55B2, 0xF16F, 0x11CF, {0x88, 0xCB, 0x00, 0x11, 0x11, 0x00, 0x00, 0x30}};
    std::memcpy(b->dbcc_name, name.c_str(), chars * sizeof(wchar_t));
    return bytes;
}

int Rescans(TaskQueue& tasks)
{
    int code, n = 0;
    while (tasks.Take(&code)) {
        EXPECT_EQ(code, 1);
        ++n;
    }
    return n;
}

const wchar_t kDisplayPath[] = L"\\\\?\\HID#VID_1A2C&PID_4284&MI_01#7&1a2b3c&0&0000#{4d1e55b2-f16f-11cf-88cb-001111000030}";

} // namespace

TEST(DeviceChange, OnlyDisplayInterfacesQueueRescans)
{
    struct Case {
        const wchar_t* name;
        WPARAM event;
        DWORD type;
        int rescans;
    } cases[] = {
        {kDisplayPath, DBT_DEVICEREMOVECOMPLETE, DBT_DEVTYP_DEVICEINTERFACE, 1},
        // Arrival of an interface that can't be opened as a display: one rescan.
        {kDisplayPath, DBT_DEVICEARRIVAL, DBT_DEVTYP_DEVICEINTERFACE, 1},
        {L"\\\\?\\usb#vid_1a2c&pid_4284#5&abc#{a5dcbf10-6530-11d2-901f-00c04fb951ed}", DBT_DEVICEARRIVAL,
         DBT_DEVTYP_DEVICEINTERFACE, 1}, // lower case matches
        {L"\\\\?\\HID#VID_046D&PID_C52B&MI_00#x#{4d1e55b2-f16f-11cf-88cb-001111000030}", DBT_DEVICEARRIVAL,
         DBT_DEVTYP_DEVICEINTERFACE, 0}, // another vendor
        {L"\\\\?\\HID#VID_1A2C&PID_4285#x", DBT_DEVICEREMOVECOMPLETE, DBT_DEVTYP_DEVICEINTERFACE, 0},
        {kDisplayPath, DBT_DEVICEQUERYREMOVE, DBT_DEVTYP_DEVICEINTERFACE, 0}, // other events
        {kDisplayPath, DBT_DEVICEARRIVAL, DBT_DEVTYP_VOLUME, 0},              // not an interface
    };
    for (const Case& c : cases) {
        TaskQueue tasks;
        auto bytes = Broadcast(c.name, c.type);
        EXPECT_EQ(HandleDeviceChange(c.event, reinterpret_cast<LPARAM>(bytes.data()), tasks), 0);
        EXPECT_EQ(Rescans(tasks), c.rescans) << std::string(c.name, c.name + wcslen(c.name)) << " event " << c.event;
    }
}

TEST(DeviceChange, NameIsReadOnlyWithinTheBroadcast)
{
    TaskQueue tasks;
    // The ids lie beyond the size the broadcast gives: they must not be read.
    std::wstring name = L"\\\\?\\HID#";
    auto bytes = Broadcast(name + L"VID_1A2C&PID_4284", DBT_DEVTYP_DEVICEINTERFACE, false);
    auto* b = reinterpret_cast<DEV_BROADCAST_DEVICEINTERFACE_W*>(bytes.data());
    b->dbcc_size = DWORD(offsetof(DEV_BROADCAST_DEVICEINTERFACE_W, dbcc_name) + name.size() * sizeof(wchar_t));
    HandleDeviceChange(DBT_DEVICEREMOVECOMPLETE, reinterpret_cast<LPARAM>(bytes.data()), tasks);
    EXPECT_EQ(Rescans(tasks), 0);

    // An unterminated name that fills its size exactly is still read whole.
    auto exact = Broadcast(L"\\\\?\\HID#VID_1A2C&PID_4284", DBT_DEVTYP_DEVICEINTERFACE, false);
    HandleDeviceChange(DBT_DEVICEREMOVECOMPLETE, reinterpret_cast<LPARAM>(exact.data()), tasks);
    EXPECT_EQ(Rescans(tasks), 1);

    EXPECT_EQ(HandleDeviceChange(DBT_DEVICEARRIVAL, 0, tasks), 0); // no broadcast at all
    EXPECT_EQ(Rescans(tasks), 0);
}

TEST(DeviceChange, NonexistentPathIsNoDisplayInterface)
{
    EXPECT_FALSE(IsDisplayInterface(kDisplayPath));
    EXPECT_FALSE(IsDisplayInterface(L"C:\\"));
}

TEST(DeviceManager, WithoutDisplaysFramesGoNowhere)
{
    // Under Wine the real HID library finds no display: the path of a machine without
    // any, or without a working HID library.
    DeviceManager& devices = DeviceManager::Instance();
    EXPECT_FALSE(devices.SendToAll(TemperatureFrame{})) << "not open before the first rescan";
    int version = -1;
    EXPECT_EQ(devices.QueryFirmwareVersion(&version), 0);
    devices.Rescan();
    EXPECT_TRUE(devices.IsOpen());
    EXPECT_EQ(devices.DisplayCount(), 0);
    EXPECT_TRUE(devices.SendToAll(TemperatureFrame{}));
    EXPECT_EQ(devices.QueryFirmwareVersion(&version), 0);
    EXPECT_EQ(version, -1);
    devices.CloseAll();
    EXPECT_FALSE(devices.IsOpen());
}
