#pragma once
// The simulated displays' state as text: one line per interface in the registry file,
// one line per report in the logs. No platform dependencies, so the formats can be
// tested (and fuzzed) on their own.
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace sim {

// How a simulated display answers a feature-report read after a version query.
enum class ReplyMode : int {
    Normal,   // 07, firmware high byte, firmware low byte
    None,     // the read fails
    BadFirst, // the first read after each query answers byte 0 = 00, later reads are valid
};

constexpr std::uint64_t kDefaultFrameLogBytes = 8u << 20; // before the log is rotated

struct SimInterface {
    std::uint32_t index = 0; // never reused while the state folder lives
    bool plugged = true;
    std::uint16_t vendorId = 0x1A2C;
    std::uint16_t productId = 0x4284;
    std::uint16_t usagePage = 0xFF01;
    std::uint16_t usage = 1;
    std::uint8_t interfaceNumber = 0;
    std::uint16_t firmware = 0x0105;
    ReplyMode reply = ReplyMode::Normal;
    std::uint64_t plugTime = 0; // 100 ns units since 1601 (FILETIME), when it was plugged
    std::uint64_t frameLogBytes = kDefaultFrameLogBytes;
};

const char* ReplyModeName(ReplyMode mode);
std::optional<ReplyMode> ParseReplyMode(std::string_view name);

// One registry line (no line break) and back; nullopt for a malformed line.
std::string FormatInterfaceLine(const SimInterface& info);
std::optional<SimInterface> ParseInterfaceLine(std::string_view line);
// The whole registry file: malformed lines are skipped, the result is in index order.
std::vector<SimInterface> ParseRegistry(std::string_view text);
std::string FormatRegistry(const std::vector<SimInterface>& interfaces);
std::uint32_t NextIndex(const std::vector<SimInterface>& interfaces);

// The interface's device path, as the HID class would name it, with the ids upper case.
std::string InterfacePath(const SimInterface& info);
// ASCII case-insensitive comparison, as Windows compares device paths.
bool SamePath(std::string_view a, std::string_view b);

std::string ToHex(const std::uint8_t* data, std::size_t length);
// Strict: an even number of hex digits, nothing else.
std::optional<std::vector<std::uint8_t>> FromHex(std::string_view hex);

// A log line: milliseconds since the plug, a space, the report in lower-case hex.
std::string FormatFrameLine(std::uint64_t ms, const std::uint8_t* data, std::size_t length);
struct FrameLine {
    std::uint64_t ms = 0;
    std::vector<std::uint8_t> bytes;
};
std::optional<FrameLine> ParseFrameLine(std::string_view line);

// Splits text at '\n' (a trailing '\r' is dropped); a last line without a break counts.
std::vector<std::string_view> SplitLines(std::string_view text);

// Parses a whole unsigned number, "0x" hexadecimal or decimal (never octal), at most max.
std::optional<std::uint32_t> ParseNumber(std::string_view text, std::uint32_t max);

} // namespace sim
