// What goes where: offset 152 holds the CPU package temperature, because the program
// shows and sends exactly that value. The two named slots repeat it under names a
// person reading the block understands: 160/296 "CPU Package" carries the same package
// value, 304/440 "CPU Core Max" the hottest single core or die (coretemp's "Core N",
// k10temp's and zenpower's "TccdN") or, when the source knows no such sensor (a sensor
// file, a thermal zone, an ACPI zone), the package value again. Fixed names keep the
// block the same for every source. Offset 156 counts publications (see NextIndicator).
#include "Record.h"

#include <atomic>
#include <cstring>

namespace {

// Each float is stored in one aligned 4-byte write: the reader takes no lock.
void StoreFloat(unsigned char* record, std::size_t offset, float value, std::memory_order order)
{
    std::atomic_ref<float>(*reinterpret_cast<float*>(record + offset)).store(value, order);
}

// Names never change for a source; write them only when they differ, so a reader
// never sees one half-written.
void StoreName(unsigned char* record, std::size_t offset, const char* name)
{
    char* field = reinterpret_cast<char*>(record + offset);
    std::size_t length = std::strlen(name);
    if (length > kNameBytes - 1) length = kNameBytes - 1;
    if (std::memcmp(field, name, length) == 0 && field[length] == 0) return;
    std::memset(field, 0, kNameBytes);
    std::memcpy(field, name, length);
}

} // namespace

void ClearReading(unsigned char* record)
{
    StoreFloat(record, kIndicatorOffset, 0.0f, std::memory_order_release);
    StoreFloat(record, kCpuOffset, 0.0f, std::memory_order_relaxed);
    std::memset(record + kSecondNameOffset, 0, kNameBytes);
    StoreFloat(record, kSecondValueOffset, 0.0f, std::memory_order_relaxed);
    std::memset(record + kThirdNameOffset, 0, kNameBytes);
    StoreFloat(record, kThirdValueOffset, 0.0f, std::memory_order_relaxed);
}

void PublishReading(unsigned char* record, const TemperatureReading& reading, float indicator)
{
    StoreName(record, kSecondNameOffset, kSecondName);
    StoreFloat(record, kSecondValueOffset, reading.package, std::memory_order_relaxed);
    StoreName(record, kThirdNameOffset, kThirdName);
    StoreFloat(record, kThirdValueOffset, reading.coreMax, std::memory_order_relaxed);
    StoreFloat(record, kCpuOffset, reading.package, std::memory_order_relaxed);
    StoreFloat(record, kIndicatorOffset, indicator, std::memory_order_release);
}

float NextIndicator(float indicator)
{
    constexpr float kLastExact = 16777216.0f; // 2^24
    if (!(indicator >= 1.0f) || indicator >= kLastExact) return 1.0f;
    return indicator + 1.0f;
}
