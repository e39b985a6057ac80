#pragma once
// The shared temperature record as this server fills it; no platform dependencies.
#include <cstddef>

constexpr char kRecordName[] = "quvane_hardware_mapfile";
constexpr std::size_t kRecordBytes = 584;

constexpr std::size_t kCpuOffset = 152;       // float, CPU package in °C: what the displays show
constexpr std::size_t kIndicatorOffset = 156; // float, > 0 once this server has published
constexpr std::size_t kSecondNameOffset = 160;
constexpr std::size_t kSecondValueOffset = 296;
constexpr std::size_t kThirdNameOffset = 304;
constexpr std::size_t kThirdValueOffset = 440;
constexpr std::size_t kNameBytes = 136; // NUL-terminated 8-bit text

constexpr char kSecondName[] = "CPU Package";
constexpr char kThirdName[] = "CPU Core Max";

// One reading of the CPU's sensors.
struct TemperatureReading {
    float package = 0; // the package (or the one) sensor
    float coreMax = 0; // the hottest single core or die; the package when none is known
};

// Forgets what an earlier server left: temperatures, names and indicator become 0.
// Bytes outside those fields are not ours and stay as they are.
void ClearReading(unsigned char* record);

// Writes one reading and then the indicator, so a reader that sees the indicator
// also sees the values it stands for.
void PublishReading(unsigned char* record, const TemperatureReading& reading, float indicator);

// The indicator after one more publication: counts 1, 2, 3, ... so a reader can tell
// fresh values from stale ones, and starts again at 1 where a float stops counting
// exactly (2^24, about half a year of seconds). Never 0.
float NextIndicator(float indicator);
