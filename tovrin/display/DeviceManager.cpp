#include "DeviceManager.h"

#include <windows.h>
#include <hidapi/hidapi.h>

DeviceManager& DeviceManager::Instance()
{
    static DeviceManager manager; // thread-safe first use from either thread
    return manager;
}

DeviceManager::DeviceManager()
{
    // A failed start unloads the HID library again; hidapi retries on its next use.
    if (hid_init() != 0) hid_exit();
}

DeviceManager::~DeviceManager()
{
    CloseAll();
    hid_exit();
}

void DeviceManager::Rescan()
{
    ClearFilters();
    AddFilter(L"", 1);
    CloseAll();
    ScanAndOpen();
    m_open = 1; // also with no display: frames then simply go nowhere
}

void DeviceManager::ClearFilters() { m_filters.clear(); }

void DeviceManager::AddFilter(const std::wstring& name, int flag)
{
    m_filters.push_back({kDisplayVendorId, kDisplayProductId, name, flag});
}

void DeviceManager::CloseAll()
{
    if (m_open == 0) return;
    m_open = 0;
    for (DeviceRecord* record : m_displays) {
        if (record->handle) hid_close(record->handle);
        delete record;
    }
    m_displays.clear();
    m_count = 0;
}

void DeviceManager::ScanAndOpen()
{
    hid_device_info* devices = hid_enumerate(0, 0);
    for (hid_device_info* info = devices; info; info = info->next) {
        bool wanted = false;
        for (const DeviceFilter& filter : m_filters)
            if (filter.vendorId == info->vendor_id && filter.productId == info->product_id) {
                wanted = true;
                break;
            }
        if (!wanted || !info->path) continue;

        hid_device* handle = hid_open_path(info->path);
        if (!handle) continue; // held elsewhere: skipped until the next rescan
        if (info->usage_page != kDisplayUsagePage || info->usage != kDisplayUsage) {
            hid_close(handle); // another interface of the same composite device
            continue;
        }
        wchar_t product[512] = {};
        if (hid_get_product_string(handle, product, 511) != 0) product[0] = 0;

        auto* record = new DeviceRecord{int(m_displays.size()), info->vendor_id, info->product_id, info->path,
                                        product,                 handle,          info->release_number};
        m_displays.push_back(record);
    }
    hid_free_enumeration(devices);
    m_count = int(m_displays.size());
}

bool DeviceManager::SendToAll(const TemperatureFrame& frame)
{
    if (m_open == 0) return false;
    for (DeviceRecord* record : m_displays) {
        if (!record->handle) continue;
        // The report is the 64 first bytes of the frame and a zero, 65 in all.
        unsigned char buffer[kTemperatureFrameBytes] = {};
        std::copy(frame.begin(), frame.begin() + 64, buffer);
        hid_send_feature_report(record->handle, buffer, sizeof(buffer));
    }
    return true;
}

int DeviceManager::QueryFirmwareVersion(int* version)
{
    if (m_open == 0 || m_displays.empty() || !m_displays[0]->handle) return 0;
    hid_device* display = m_displays[0]->handle;
    const VersionReport query = BuildVersionQuery();

    // The display needs a moment between request and reply.
    Sleep(16);
    if (hid_send_feature_report(display, query.data(), query.size()) <= 0) return 0;
    Sleep(16);
    VersionReport reply = query;
    int got = hid_get_feature_report(display, reply.data(), reply.size());
    if (got <= 0 || !IsValidVersionReply(reply)) {
        Sleep(16);
        reply = query;
        got = hid_get_feature_report(display, reply.data(), reply.size());
    }
    // A read that failed twice leaves only our own request in the buffer; it is no
    // version, so the query fails rather than report 0xFD00.
    if (got <= 0) return 0;
    *version = DecodeFirmwareVersion(reply);
    return 1;
}
