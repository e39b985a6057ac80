#include "UpdateUrl.h"

bool ParseUpdateBaseUrl(const std::string& contents, std::wstring* base)
{
    std::string line = contents;
    if (line.compare(0, 3, "\xEF\xBB\xBF") == 0) line.erase(0, 3);
    std::size_t end = line.find_first_of("\r\n");
    if (end != std::string::npos) line.resize(end);
    auto blank = [](char c) { return c == ' ' || c == '\t'; };
    while (!line.empty() && blank(line.back())) line.pop_back();
    std::size_t first = 0;
    while (first < line.size() && blank(line[first])) ++first;
    line.erase(0, first);
    while (!line.empty() && line.back() == '/') line.pop_back();

    static const char kScheme[] = "https://";
    const std::size_t schemeLength = sizeof(kScheme) - 1;
    if (line.size() <= schemeLength) return false;
    for (std::size_t i = 0; i < schemeLength; ++i) {
        char c = line[i];
        if (c >= 'A' && c <= 'Z') c = char(c - 'A' + 'a');
        if (c != kScheme[i]) return false;
    }
    // Printable ASCII only: no blanks, no control characters, no user part.
    for (char c : line)
        if (c <= ' ' || c > '~' || c == '@' || c == '\\') return false;
    if (line[schemeLength] == '/' || line[schemeLength] == ':') return false; // no host
    *base = std::wstring(line.begin(), line.end());
    return true;
}
