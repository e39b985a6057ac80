#pragma once
// The cooler displays: USB HID devices with vendor 0x1A2C and product 0x4284, of
// which only the vendor-defined interface (usage page 0xFF01, usage 1) is opened.
// One process-wide object. The worker thread rescans, sends and queries; the
// user-interface thread only reads the display count.
#include <atomic>
#include <cstdint>
#include <string>
#include <vector>

#include "Protocol.h"

struct hid_device_;

constexpr unsigned short kDisplayVendorId = 0x1A2C;
constexpr unsigned short kDisplayProductId = 0x4284;
constexpr unsigned short kDisplayUsagePage = 0xFF01;
constexpr unsigned short kDisplayUsage = 1;

struct DeviceFilter {
    int vendorId;
    int productId;
    std::wstring name;
    int flag;
};

struct DeviceRecord {
    int index;                 // list position when it was added
    std::uint16_t vendorId;
    std::uint16_t productId;
    std::string path;          // as the enumeration reported it
    std::wstring productName;
    hid_device_* handle;       // owned; closed by CloseAll
    int releaseNumber;
};

class DeviceManager {
public:
    static DeviceManager& Instance();

    // The device part of a rescan: new filter, close everything, open what is there.
    void Rescan();

    void ClearFilters();
    void AddFilter(const std::wstring& name, int flag);
    void CloseAll();
    void ScanAndOpen();

    // Writes a temperature frame to every open display, in list order. False only when
    // no rescan has opened the manager yet.
    bool SendToAll(const TemperatureFrame& frame);

    // Firmware version of the first display. Returns 1 and sets *version when the
    // exchange completed; 0 (version untouched) when the manager is not open, no
    // display is open or the request could not be written.
    int QueryFirmwareVersion(int* version);

    // Safe from any thread: the count of the last completed rescan.
    int DisplayCount() const { return m_count.load(); }
    bool IsOpen() const { return m_open != 0; }

    // For the worker only: the open displays.
    const std::vector<DeviceRecord*>& Displays() const { return m_displays; }

    DeviceManager(const DeviceManager&) = delete;
    DeviceManager& operator=(const DeviceManager&) = delete;

private:
    DeviceManager();
    ~DeviceManager();

    int m_open = 0;
    std::vector<DeviceRecord*> m_displays;
    std::vector<DeviceFilter> m_filters;
    std::atomic<int> m_count{0};
};
