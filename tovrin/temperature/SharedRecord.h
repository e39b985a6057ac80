#pragma once
// The 584-byte shared-memory record the hardware-monitor server fills. Tovrin reads
// two little-endian floats of it:
//   152  CPU temperature in degrees Celsius (0 until the server has published)
//   156  publishing indicator, greater than 0 once the server publishes
// (160/296 and 304/440 hold two further named temperatures that Tovrin does not use.)
#include <windows.h>
#include <cstdint>
#include <cstring>

constexpr DWORD kSharedRecordBytes = 584;
constexpr const char* kSharedRecordName = "quvane_hardware_mapfile";
constexpr std::size_t kCpuTemperatureOffset = 152;
constexpr std::size_t kPublishingOffset = 156;

// Creates or opens the record and maps a read-only view. Tovrin may create it before
// the server does: the two may start in either order. *createdNew, when given, tells
// whether this call created it.
bool MapSharedRecord(HANDLE* mapping, const void** view, bool* createdNew = nullptr);

// One read of a float the other process may be writing at this moment.
inline float ReadRecordFloat(const void* record, std::size_t offset)
{
    std::uint32_t bits = *reinterpret_cast<const volatile std::uint32_t*>(static_cast<const char*>(record) + offset);
    float value;
    std::memcpy(&value, &bits, sizeof(value));
    return value;
}
