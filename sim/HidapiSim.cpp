// A stand-in for hidapi.dll (0.13.1, Windows back end) whose devices are the simulated
// displays of the state folder named by TOVRIN_DISPLAY_SIM. It exports the whole public
// API with the installed hidapi's own declarations, so a program linked against the real
// import library runs against it unchanged. The displays only take and give feature
// reports; the interrupt-pipe functions answer a plain failure.
#include <hidapi/hidapi.h>
#include <hidapi/hidapi_winapi.h>

#include <windows.h>

#include <atomic>
#include <cstdlib>
#include <cstring>
#include <cwchar>
#include <memory>
#include <new>
#include <string>
#include <vector>

#include "SimStore.h"

namespace {

const wchar_t kManufacturer[] = L"Tovrin display simulator";
const wchar_t kProduct[] = L"Digital Display";

// hidapi's error strings are owned by the library; ours are all literals, so a pointer
// handed out stays valid for ever.
std::atomic<const wchar_t*> g_lastError{nullptr};

void SetGlobalError(const wchar_t* error) { g_lastError.store(error); }

std::wstring SerialNumber(std::uint32_t index) { return L"SIM" + std::to_wstring(index); }

wchar_t* DuplicateWide(const std::wstring& text)
{
    auto* copy = static_cast<wchar_t*>(std::malloc((text.size() + 1) * sizeof(wchar_t)));
    if (copy) std::memcpy(copy, text.c_str(), (text.size() + 1) * sizeof(wchar_t));
    return copy;
}

char* DuplicateNarrow(const std::string& text)
{
    auto* copy = static_cast<char*>(std::malloc(text.size() + 1));
    if (copy) std::memcpy(copy, text.c_str(), text.size() + 1);
    return copy;
}

void FreeInfo(hid_device_info* info)
{
    std::free(info->path);
    std::free(info->serial_number);
    std::free(info->manufacturer_string);
    std::free(info->product_string);
    std::free(info);
}

// One enumeration entry, allocated as hid_free_enumeration releases it; null when out of memory.
hid_device_info* MakeInfo(const sim::SimInterface& sim)
{
    auto* info = static_cast<hid_device_info*>(std::calloc(1, sizeof(hid_device_info)));
    if (!info) return nullptr;
    info->path = DuplicateNarrow(sim::InterfacePath(sim));
    info->vendor_id = sim.vendorId;
    info->product_id = sim.productId;
    info->serial_number = DuplicateWide(SerialNumber(sim.index));
    info->release_number = sim.firmware;
    info->manufacturer_string = DuplicateWide(kManufacturer);
    info->product_string = DuplicateWide(kProduct);
    info->usage_page = sim.usagePage;
    info->usage = sim.usage;
    info->interface_number = sim.interfaceNumber;
    info->bus_type = HID_API_BUS_USB;
    if (!info->path || !info->serial_number || !info->manufacturer_string || !info->product_string) {
        FreeInfo(info);
        return nullptr;
    }
    return info;
}

// The plugged interfaces of the current state folder; false when there is none to look at.
bool PluggedInterfaces(std::unique_ptr<sim::SimStore>& store, std::vector<sim::SimInterface>& plugged)
{
    std::wstring folder = sim::StateFolderFromEnvironment();
    if (folder.empty()) {
        SetGlobalError(L"TOVRIN_DISPLAY_SIM is not set: no simulated displays");
        return false;
    }
    store = std::make_unique<sim::SimStore>(folder);
    std::vector<sim::SimInterface> all;
    if (!store->Interfaces(all)) {
        SetGlobalError(store->LastError());
        return false;
    }
    for (const sim::SimInterface& info : all)
        if (info.plugged) plugged.push_back(info);
    return true;
}

bool Matches(const sim::SimInterface& info, unsigned short vendorId, unsigned short productId)
{
    return (!vendorId || info.vendorId == vendorId) && (!productId || info.productId == productId);
}

int CopyString(const std::wstring& text, wchar_t* buffer, size_t maxlen)
{
    if (!buffer || !maxlen) return -1;
    // Cut to fit and always terminated, as hidapi does.
    size_t count = text.size() < maxlen ? text.size() : maxlen - 1;
    std::wmemcpy(buffer, text.c_str(), count);
    buffer[count] = L'\0';
    return 0;
}

} // namespace

// The handle: which interface of which state folder, and what hid_get_device_info shows.
struct hid_device_ {
    std::unique_ptr<sim::SimStore> store;
    std::uint32_t index = 0;
    hid_device_info* info = nullptr;
    const wchar_t* lastError = nullptr;
    int nonblocking = 0;

    ~hid_device_()
    {
        if (info) FreeInfo(info);
    }
    int Fail(const wchar_t* error)
    {
        lastError = error;
        return -1;
    }
    // Fails like a real device that has gone, for the string requests.
    bool Present()
    {
        std::vector<sim::SimInterface> all;
        if (store->Interfaces(all))
            for (const sim::SimInterface& sim : all)
                if (sim.index == index && sim.plugged) return true;
        lastError = L"the device is not connected";
        return false;
    }
};

namespace {

hid_device* OpenFirst(bool (*accept)(const sim::SimInterface&, const void*), const void* context)
{
    std::unique_ptr<sim::SimStore> store;
    std::vector<sim::SimInterface> plugged;
    if (!PluggedInterfaces(store, plugged)) return nullptr;
    for (const sim::SimInterface& info : plugged) {
        if (!accept(info, context)) continue;
        auto* device = new (std::nothrow) hid_device;
        if (!device || !(device->info = MakeInfo(info))) {
            delete device;
            SetGlobalError(L"out of memory");
            return nullptr;
        }
        device->store = std::move(store);
        device->index = info.index;
        SetGlobalError(nullptr);
        return device;
    }
    SetGlobalError(L"device not found");
    return nullptr;
}

} // namespace

extern "C" {

int HID_API_EXPORT HID_API_CALL hid_init(void)
{
    SetGlobalError(nullptr);
    return 0;
}

int HID_API_EXPORT HID_API_CALL hid_exit(void)
{
    SetGlobalError(nullptr);
    return 0;
}

struct hid_device_info HID_API_EXPORT* HID_API_CALL hid_enumerate(unsigned short vendor_id, unsigned short product_id)
{
    std::unique_ptr<sim::SimStore> store;
    std::vector<sim::SimInterface> plugged;
    if (!PluggedInterfaces(store, plugged)) return nullptr;
    hid_device_info* first = nullptr;
    hid_device_info** link = &first;
    for (const sim::SimInterface& info : plugged) {
        if (!Matches(info, vendor_id, product_id)) continue;
        hid_device_info* entry = MakeInfo(info);
        if (!entry) {
            hid_free_enumeration(first);
            SetGlobalError(L"out of memory");
            return nullptr;
        }
        *link = entry;
        link = &entry->next;
    }
    SetGlobalError(first ? nullptr : L"No HID devices found in the system.");
    return first;
}

void HID_API_EXPORT HID_API_CALL hid_free_enumeration(struct hid_device_info* devs)
{
    while (devs) {
        hid_device_info* next = devs->next;
        FreeInfo(devs);
        devs = next;
    }
}

HID_API_EXPORT hid_device* HID_API_CALL hid_open(unsigned short vendor_id, unsigned short product_id,
                                                 const wchar_t* serial_number)
{
    struct Wanted {
        unsigned short vendorId, productId;
        const wchar_t* serial;
    } wanted = {vendor_id, product_id, serial_number};
    return OpenFirst(
        [](const sim::SimInterface& info, const void* context) {
            auto* w = static_cast<const Wanted*>(context);
            return Matches(info, w->vendorId, w->productId) && (!w->serial || SerialNumber(info.index) == w->serial);
        },
        &wanted);
}

HID_API_EXPORT hid_device* HID_API_CALL hid_open_path(const char* path)
{
    if (!path) {
        SetGlobalError(L"invalid path");
        return nullptr;
    }
    return OpenFirst(
        [](const sim::SimInterface& info, const void* context) {
            return sim::SamePath(sim::InterfacePath(info), static_cast<const char*>(context));
        },
        path);
}

int HID_API_EXPORT HID_API_CALL hid_write(hid_device* dev, const unsigned char*, size_t)
{
    return dev ? dev->Fail(L"the display has no output reports") : -1;
}

int HID_API_EXPORT HID_API_CALL hid_read_timeout(hid_device* dev, unsigned char*, size_t, int)
{
    return dev ? dev->Fail(L"the display has no input reports") : -1;
}

int HID_API_EXPORT HID_API_CALL hid_read(hid_device* dev, unsigned char* data, size_t length)
{
    return hid_read_timeout(dev, data, length, dev && dev->nonblocking ? 0 : -1);
}

int HID_API_EXPORT HID_API_CALL hid_set_nonblocking(hid_device* dev, int nonblock)
{
    if (!dev) return -1;
    dev->nonblocking = nonblock;
    return 0;
}

int HID_API_EXPORT HID_API_CALL hid_send_feature_report(hid_device* dev, const unsigned char* data, size_t length)
{
    if (!dev) return -1;
    int result = dev->store->SendFeature(dev->index, data, length);
    dev->lastError = result < 0 ? dev->store->LastError() : nullptr;
    return result;
}

int HID_API_EXPORT HID_API_CALL hid_get_feature_report(hid_device* dev, unsigned char* data, size_t length)
{
    if (!dev) return -1;
    int result = dev->store->GetFeature(dev->index, data, length);
    dev->lastError = result < 0 ? dev->store->LastError() : nullptr;
    return result;
}

int HID_API_EXPORT HID_API_CALL hid_get_input_report(hid_device* dev, unsigned char*, size_t)
{
    return dev ? dev->Fail(L"the display has no input reports") : -1;
}

void HID_API_EXPORT HID_API_CALL hid_close(hid_device* dev) { delete dev; }

int HID_API_EXPORT_CALL hid_get_manufacturer_string(hid_device* dev, wchar_t* string, size_t maxlen)
{
    if (!dev || !dev->Present()) return -1;
    return CopyString(dev->info->manufacturer_string, string, maxlen);
}

int HID_API_EXPORT_CALL hid_get_product_string(hid_device* dev, wchar_t* string, size_t maxlen)
{
    if (!dev || !dev->Present()) return -1;
    return CopyString(dev->info->product_string, string, maxlen);
}

int HID_API_EXPORT_CALL hid_get_serial_number_string(hid_device* dev, wchar_t* string, size_t maxlen)
{
    if (!dev || !dev->Present()) return -1;
    return CopyString(dev->info->serial_number, string, maxlen);
}

struct hid_device_info HID_API_EXPORT* HID_API_CALL hid_get_device_info(hid_device* dev)
{
    return dev ? dev->info : nullptr;
}

int HID_API_EXPORT_CALL hid_get_indexed_string(hid_device* dev, int, wchar_t*, size_t)
{
    return dev ? dev->Fail(L"the display has no indexed strings") : -1;
}

HID_API_EXPORT const wchar_t* HID_API_CALL hid_error(hid_device* dev)
{
    const wchar_t* error = dev ? dev->lastError : g_lastError.load();
    return error ? error : L"Success";
}

HID_API_EXPORT const struct hid_api_version* HID_API_CALL hid_version(void)
{
    static const hid_api_version version = {HID_API_VERSION_MAJOR, HID_API_VERSION_MINOR, HID_API_VERSION_PATCH};
    return &version;
}

HID_API_EXPORT const char* HID_API_CALL hid_version_str(void) { return HID_API_VERSION_STR; }

int HID_API_EXPORT_CALL hid_winapi_get_container_id(hid_device* dev, GUID*)
{
    return dev ? dev->Fail(L"the display has no container id") : -1;
}

} // extern "C"
