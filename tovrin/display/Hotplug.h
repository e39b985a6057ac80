#pragma once
// Plug and unplug of displays: the window's device-interface registrations and the
// handling of the notifications it then receives.
#include <windows.h>

class TaskQueue;

// Registers window for arrivals and removals of USB, disk, HID and network-adapter
// interfaces. Failures are ignored: rescans then happen only at start-up.
void RegisterHotplug(HWND window);

// True when the interface at path is a display's vendor-defined interface, asked of
// the platform's HID class library directly.
bool IsDisplayInterface(const wchar_t* path);

// WM_DEVICECHANGE of the window: queues a rescan for every arrival or removal of an
// interface of a display (two on an arrival of the display interface itself). Always
// answers 0.
LRESULT HandleDeviceChange(WPARAM event, LPARAM broadcast, TaskQueue& tasks);
