#include "Versions.h"

#include <climits>
#include <cstdio>

std::vector<std::wstring> SplitText(const std::wstring& text, const std::wstring& separator)
{
    std::vector<std::wstring> pieces;
    if (separator.empty()) {
        pieces.push_back(text);
        return pieces;
    }
    std::size_t start = 0;
    for (;;) {
        std::size_t at = text.find(separator, start);
        if (at == std::wstring::npos) break;
        pieces.push_back(text.substr(start, at - start));
        start = at + separator.size();
    }
    pieces.push_back(text.substr(start));
    return pieces;
}

int ParseLeadingInt(const std::wstring& text)
{
    std::size_t i = 0;
    while (i < text.size() && (text[i] == L' ' || (text[i] >= L'\t' && text[i] <= L'\r'))) ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == L'+' || text[i] == L'-')) negative = text[i++] == L'-';
    long long value = 0;
    for (; i < text.size() && text[i] >= L'0' && text[i] <= L'9'; ++i) {
        value = value * 10 + (text[i] - L'0');
        if (value > (long long)INT_MAX + 1) value = (long long)INT_MAX + 1; // saturate, never overflow
    }
    if (negative) return value > INT_MAX ? INT_MIN : -int(value);
    return value > INT_MAX ? INT_MAX : int(value);
}

int CompareVersions(std::wstring a, std::wstring b)
{
    std::vector<std::wstring> left = SplitText(a, L"."), right = SplitText(b, L".");
    if (left.size() != right.size()) return 2;
    for (std::size_t i = 0; i < left.size(); ++i) {
        int x = ParseLeadingInt(left[i]), y = ParseLeadingInt(right[i]);
        if (y > x) return 1;
        if (x > y) return -1;
    }
    return 0;
}

bool IsUsableVersionText(const std::wstring& text) { return !text.empty() && text.size() <= kMaxVersionChars; }

bool IsFirmwareNewer(const std::wstring& serverText, int deviceVersion)
{
    if (deviceVersion < 0) return false;
    wchar_t hex[16] = {};
    std::swprintf(hex, 16, L"%x", unsigned(deviceVersion));
    return ParseLeadingInt(serverText) > ParseLeadingInt(hex);
}

int DownloadProgressValue(unsigned chunksRead, unsigned expectedChunks)
{
    if (!expectedChunks) return 10;
    return int((90ull * chunksRead) / expectedChunks + 10);
}
