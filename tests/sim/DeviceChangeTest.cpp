// Plug and unplug tell a running panel, found by its "ZEL" window property, what a
// real device would: WM_DEVICECHANGE with a HID device-interface broadcast.
#include <gtest/gtest.h>

#include <windows.h>
#include <dbt.h>

#include <cstddef>
#include <string>
#include <vector>

#include "SimTestSupport.h"

namespace {

struct Received {
    WPARAM event;
    DWORD size;
    DWORD deviceType;
    GUID classGuid;
    std::wstring name;
    bool terminated; // the name's terminator lies within the size
};

std::vector<Received> g_received;

LRESULT CALLBACK RecordingProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message != WM_DEVICECHANGE) return DefWindowProcW(window, message, wParam, lParam);
    auto* header = reinterpret_cast<const DEV_BROADCAST_HDR*>(lParam);
    Received got = {wParam, 0, 0, {}, {}, false};
    if (header) {
        got.size = header->dbch_size;
        got.deviceType = header->dbch_devicetype;
        if (header->dbch_devicetype == DBT_DEVTYP_DEVICEINTERFACE) {
            auto* broadcast = reinterpret_cast<const DEV_BROADCAST_DEVICEINTERFACE_W*>(header);
            got.classGuid = broadcast->dbcc_classguid;
            // Only within the size: anything past it was never copied to this process.
            std::size_t chars = (header->dbch_size - offsetof(DEV_BROADCAST_DEVICEINTERFACE_W, dbcc_name)) / 2;
            for (std::size_t i = 0; i < chars && !got.terminated; ++i) {
                if (broadcast->dbcc_name[i])
                    got.name += broadcast->dbcc_name[i];
                else
                    got.terminated = true;
            }
        }
    }
    g_received.push_back(got);
    return 0;
}

// A hidden top-level window marked like Tovrin's panel.
class PanelStandIn {
public:
    PanelStandIn()
    {
        WNDCLASSW windowClass = {};
        windowClass.lpfnWndProc = RecordingProc;
        windowClass.hInstance = GetModuleHandleW(nullptr);
        windowClass.lpszClassName = L"SimTestPanel";
        RegisterClassW(&windowClass);
        window_ = CreateWindowExW(WS_EX_TOOLWINDOW, L"SimTestPanel", L"DIGITAL", WS_POPUP, 0, 0, 10, 10, nullptr,
                                  nullptr, windowClass.hInstance, nullptr);
        SetPropW(window_, L"ZEL", reinterpret_cast<HANDLE>(1));
        g_received.clear();
    }
    ~PanelStandIn()
    {
        RemovePropW(window_, L"ZEL");
        DestroyWindow(window_);
        UnregisterClassW(L"SimTestPanel", GetModuleHandleW(nullptr));
    }
    HWND Window() const { return window_; }

private:
    HWND window_;
};

std::wstring Wide(const std::string& text) { return std::wstring(text.begin(), text.end()); }

// The path the tool lists for an interface.
std::wstring ListedPath(int index)
{
    for (const std::string& line : Lines(RunSim(L"list").out))
        if (line.rfind(std::to_string(index) + " ", 0) == 0) return Wide(line.substr(line.find("path=") + 5));
    ADD_FAILURE() << "interface " << index << " is not listed";
    return {};
}

const GUID kHidClass = {0x4D1E55B2, 0xF16F, 0x11CF, {0x88, 0xCB, 0x00, 0x11, 0x11, 0x00, 0x00, 0x30}};

void ExpectBroadcast(const Received& got, WPARAM event, const std::wstring& name)
{
    EXPECT_EQ(got.event, event);
    EXPECT_EQ(got.deviceType, DWORD(DBT_DEVTYP_DEVICEINTERFACE));
    EXPECT_TRUE(IsEqualGUID(got.classGuid, kHidClass));
    EXPECT_EQ(got.name, name);
    EXPECT_TRUE(got.terminated);
    EXPECT_EQ(got.size, offsetof(DEV_BROADCAST_DEVICEINTERFACE_W, dbcc_name) + (name.size() + 1) * sizeof(wchar_t));
}

} // namespace

TEST(SimDeviceChange, PlugAndUnplugNotifyThePanel)
{
    ScopedStateFolder state;
    PanelStandIn panel;
    ASSERT_NE(panel.Window(), nullptr);

    ToolRun plug = RunSim(L"plug", true);
    ASSERT_EQ(plug.exitCode, 0u) << plug.err;
    ASSERT_EQ(g_received.size(), 1u);
    std::wstring display = ListedPath(0);
    ExpectBroadcast(g_received[0], DBT_DEVICEARRIVAL, display);
    EXPECT_NE(g_received[0].name.find(L"VID_1A2C&PID_4284"), std::wstring::npos);

    // The ids in the name are the interface's own.
    ASSERT_EQ(RunSim(L"plug --vid 0x0abc --pid 0xdef0 --interface 2", true).exitCode, 0u);
    ASSERT_EQ(g_received.size(), 2u);
    ExpectBroadcast(g_received[1], DBT_DEVICEARRIVAL, ListedPath(1));
    EXPECT_NE(g_received[1].name.find(L"VID_0ABC&PID_DEF0&MI_02"), std::wstring::npos) << g_received[1].name;

    ASSERT_EQ(RunSim(L"unplug 0", true).exitCode, 0u);
    ASSERT_EQ(g_received.size(), 3u);
    ExpectBroadcast(g_received[2], DBT_DEVICEREMOVECOMPLETE, display);

    // Nothing changed, nothing told.
    EXPECT_NE(RunSim(L"unplug 0", true).exitCode, 0u);
    EXPECT_NE(RunSim(L"plug --vid 0x10000", true).exitCode, 0u);
    EXPECT_EQ(g_received.size(), 3u);
}
