#include "DeviceNotify.h"

#include <windows.h>
#include <dbt.h>

#include <cstddef>
#include <cstring>

namespace sim {

namespace {

constexpr UINT kSendTimeoutMs = 5000; // a panel that takes longer is hung; the state changed anyway

// {4D1E55B2-F16F-11CF-88CB-001111000030}, the HID interface class.
const GUID kHidInterfaceClass = {0x4D1E55B2, 0xF16F, 0x11CF, {0x88, 0xCB, 0x00, 0x11, 0x11, 0x00, 0x00, 0x30}};

} // namespace

std::vector<unsigned char> MakeInterfaceBroadcast(const std::wstring& name)
{
    std::size_t nameBytes = (name.size() + 1) * sizeof(wchar_t);
    std::vector<unsigned char> buffer(offsetof(DEV_BROADCAST_DEVICEINTERFACE_W, dbcc_name) + nameBytes);
    DEV_BROADCAST_DEVICEINTERFACE_W header = {};
    header.dbcc_size = static_cast<DWORD>(buffer.size());
    header.dbcc_devicetype = DBT_DEVTYP_DEVICEINTERFACE;
    header.dbcc_classguid = kHidInterfaceClass;
    std::memcpy(buffer.data(), &header, offsetof(DEV_BROADCAST_DEVICEINTERFACE_W, dbcc_name));
    std::memcpy(buffer.data() + offsetof(DEV_BROADCAST_DEVICEINTERFACE_W, dbcc_name), name.c_str(), nameBytes);
    return buffer;
}

int NotifyPanels(unsigned event, const std::wstring& interfaceName)
{
    std::vector<HWND> panels;
    EnumWindows(
        [](HWND window, LPARAM found) -> BOOL {
            if (GetPropW(window, L"ZEL")) reinterpret_cast<std::vector<HWND>*>(found)->push_back(window);
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&panels));
    std::vector<unsigned char> broadcast = MakeInterfaceBroadcast(interfaceName);
    int delivered = 0;
    for (HWND panel : panels) {
        DWORD_PTR answer = 0;
        if (SendMessageTimeoutW(panel, WM_DEVICECHANGE, event, reinterpret_cast<LPARAM>(broadcast.data()),
                                SMTO_ABORTIFHUNG, kSendTimeoutMs, &answer))
            ++delivered;
    }
    return delivered;
}

} // namespace sim
