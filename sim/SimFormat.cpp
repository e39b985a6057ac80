#include "SimFormat.h"

#include <algorithm>
#include <charconv>
#include <cstdio>

namespace sim {

namespace {

const char* const kHexDigits = "0123456789abcdef";

// Splits at single blanks; empty fields (two blanks in a row) make the line malformed.
std::vector<std::string_view> Fields(std::string_view line)
{
    std::vector<std::string_view> fields;
    std::size_t start = 0;
    while (start <= line.size()) {
        std::size_t end = line.find(' ', start);
        if (end == std::string_view::npos) end = line.size();
        fields.push_back(line.substr(start, end - start));
        start = end + 1;
    }
    return fields;
}

template <class T>
bool ParseField(std::string_view text, T& value, int base)
{
    if (text.empty()) return false;
    auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value, base);
    return error == std::errc() && end == text.data() + text.size();
}

int HexValue(char c)
{
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

char AsciiLower(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

} // namespace

const char* ReplyModeName(ReplyMode mode)
{
    switch (mode) {
    case ReplyMode::None: return "none";
    case ReplyMode::BadFirst: return "bad-first";
    case ReplyMode::Normal: break;
    }
    return "normal";
}

std::optional<ReplyMode> ParseReplyMode(std::string_view name)
{
    for (ReplyMode mode : {ReplyMode::Normal, ReplyMode::None, ReplyMode::BadFirst})
        if (name == ReplyModeName(mode)) return mode;
    return std::nullopt;
}

std::string FormatInterfaceLine(const SimInterface& info)
{
    char line[160];
    std::snprintf(line, sizeof line, "%u %s %04x %04x %04x %04x %02x %04x %s %llu %llu", info.index,
                  info.plugged ? "plugged" : "unplugged", info.vendorId, info.productId, info.usagePage, info.usage,
                  info.interfaceNumber, info.firmware, ReplyModeName(info.reply),
                  static_cast<unsigned long long>(info.plugTime), static_cast<unsigned long long>(info.frameLogBytes));
    return line;
}

std::optional<SimInterface> ParseInterfaceLine(std::string_view line)
{
    std::vector<std::string_view> f = Fields(line);
    if (f.size() != 11) return std::nullopt;
    SimInterface info;
    if (f[1] == "plugged")
        info.plugged = true;
    else if (f[1] == "unplugged")
        info.plugged = false;
    else
        return std::nullopt;
    std::optional<ReplyMode> reply = ParseReplyMode(f[8]);
    if (!reply) return std::nullopt;
    info.reply = *reply;
    if (!ParseField(f[0], info.index, 10) || !ParseField(f[2], info.vendorId, 16) ||
        !ParseField(f[3], info.productId, 16) || !ParseField(f[4], info.usagePage, 16) ||
        !ParseField(f[5], info.usage, 16) || !ParseField(f[6], info.interfaceNumber, 16) ||
        !ParseField(f[7], info.firmware, 16) || !ParseField(f[9], info.plugTime, 10) ||
        !ParseField(f[10], info.frameLogBytes, 10))
        return std::nullopt;
    return info;
}

std::vector<SimInterface> ParseRegistry(std::string_view text)
{
    std::vector<SimInterface> interfaces;
    for (std::string_view line : SplitLines(text)) {
        std::optional<SimInterface> info = ParseInterfaceLine(line);
        if (!info) continue;
        // A repeated index keeps its first line: indices identify logs and paths.
        bool seen = std::any_of(interfaces.begin(), interfaces.end(),
                                [&](const SimInterface& other) { return other.index == info->index; });
        if (!seen) interfaces.push_back(*info);
    }
    std::sort(interfaces.begin(), interfaces.end(),
              [](const SimInterface& a, const SimInterface& b) { return a.index < b.index; });
    return interfaces;
}

std::string FormatRegistry(const std::vector<SimInterface>& interfaces)
{
    std::string text;
    for (const SimInterface& info : interfaces) text += FormatInterfaceLine(info) + "\n";
    return text;
}

std::uint32_t NextIndex(const std::vector<SimInterface>& interfaces)
{
    std::uint32_t next = 0;
    for (const SimInterface& info : interfaces) next = std::max(next, info.index + 1);
    return next;
}

std::string InterfacePath(const SimInterface& info)
{
    char path[128];
    std::snprintf(path, sizeof path,
                  "\\\\?\\HID#VID_%04X&PID_%04X&MI_%02X#sim&%u#{4d1e55b2-f16f-11cf-88cb-001111000030}", info.vendorId,
                  info.productId, info.interfaceNumber, info.index);
    return path;
}

bool SamePath(std::string_view a, std::string_view b)
{
    return a.size() == b.size() &&
           std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) { return AsciiLower(x) == AsciiLower(y); });
}

std::string ToHex(const std::uint8_t* data, std::size_t length)
{
    std::string hex(length * 2, '0');
    for (std::size_t i = 0; i < length; ++i) {
        hex[2 * i] = kHexDigits[data[i] >> 4];
        hex[2 * i + 1] = kHexDigits[data[i] & 0x0F];
    }
    return hex;
}

std::optional<std::vector<std::uint8_t>> FromHex(std::string_view hex)
{
    if (hex.size() % 2) return std::nullopt;
    std::vector<std::uint8_t> bytes(hex.size() / 2);
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        int high = HexValue(hex[2 * i]), low = HexValue(hex[2 * i + 1]);
        if (high < 0 || low < 0) return std::nullopt;
        bytes[i] = static_cast<std::uint8_t>(high << 4 | low);
    }
    return bytes;
}

std::string FormatFrameLine(std::uint64_t ms, const std::uint8_t* data, std::size_t length)
{
    return std::to_string(ms) + " " + ToHex(data, length);
}

std::optional<FrameLine> ParseFrameLine(std::string_view line)
{
    std::size_t blank = line.find(' ');
    if (blank == std::string_view::npos) return std::nullopt;
    FrameLine frame;
    if (!ParseField(line.substr(0, blank), frame.ms, 10)) return std::nullopt;
    std::optional<std::vector<std::uint8_t>> bytes = FromHex(line.substr(blank + 1));
    if (!bytes || bytes->empty()) return std::nullopt;
    frame.bytes = std::move(*bytes);
    return frame;
}

std::vector<std::string_view> SplitLines(std::string_view text)
{
    std::vector<std::string_view> lines;
    while (!text.empty()) {
        std::size_t end = text.find('\n');
        std::string_view line = text.substr(0, end);
        if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
        lines.push_back(line);
        if (end == std::string_view::npos) break;
        text.remove_prefix(end + 1);
    }
    return lines;
}

std::optional<std::uint32_t> ParseNumber(std::string_view text, std::uint32_t max)
{
    int base = 10;
    if (text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) {
        text.remove_prefix(2);
        base = 16;
    }
    std::uint32_t value = 0;
    if (!ParseField(text, value, base) || value > max) return std::nullopt;
    return value;
}

} // namespace sim
