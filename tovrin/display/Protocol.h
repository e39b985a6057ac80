#pragma once
// The cooler display's protocol: two exchanges over HID feature reports with report
// id 0x07 on the display's vendor-defined interface (usage page 0xFF01, usage 1).
//
//   temperature frame, host -> display, 65 bytes:
//     [0] 0x07  [1] 0xFF  [2] 0xFF  [3] hundreds  [4] tens  [5] units  [6..64] 0x00
//     (digit values 0..9, not characters)
//   version query, host -> display, 64 bytes:
//     [0] 0x07  [1] 0xFD  [2..63] 0x00
//   version reply, display -> host, read as a 64-byte feature report:
//     [0] 0x07 when valid  [1] version high byte  [2] version low byte  [3..63] unused
//
// No platform dependencies: the bytes are built and decoded here and sent elsewhere.
#include <array>
#include <cstdint>

constexpr std::uint8_t kReportId = 0x07;
constexpr std::uint8_t kFrameMarker = 0xFF;
constexpr std::uint8_t kVersionQueryCode = 0xFD;
constexpr std::size_t kTemperatureFrameBytes = 65;
constexpr std::size_t kVersionReportBytes = 64;

using TemperatureFrame = std::array<std::uint8_t, kTemperatureFrameBytes>;
using VersionReport = std::array<std::uint8_t, kVersionReportBytes>;

TemperatureFrame BuildTemperatureFrame(int hundreds, int tens, int units);
VersionReport BuildVersionQuery();

// True when the reply carries the report id.
bool IsValidVersionReply(const VersionReport& reply);
// byte1 * 256 + byte2.
int DecodeFirmwareVersion(const VersionReport& reply);
