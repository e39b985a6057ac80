#pragma once
// Tells a running Tovrin about a simulated plug or unplug the way the system tells it
// about a real one: WM_DEVICECHANGE with a device-interface broadcast of the HID class.
#include <string>
#include <vector>

namespace sim {

// The broadcast as the system builds it: the header, then the interface name with its
// terminator; dbcc_size counts all of it, because that is how much is copied across
// processes.
std::vector<unsigned char> MakeInterfaceBroadcast(const std::wstring& name);

// Sends the event (DBT_DEVICEARRIVAL or DBT_DEVICEREMOVECOMPLETE) to every top-level
// window carrying the property "ZEL"; returns how many windows took it. Sent, not
// posted: a pointer parameter cannot be posted to another process.
int NotifyPanels(unsigned event, const std::wstring& interfaceName);

} // namespace sim
