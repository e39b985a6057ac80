#include "ZipNames.h"

namespace {

bool IsSeparator(wchar_t c) { return c == L'\\' || c == L'/'; }

// Applies the first matching rule; false when none matches.
bool ApplyOneRule(std::wstring& name)
{
    if (name.size() >= 2 && name[1] == L':') {
        name.erase(0, 2);
        return true;
    }
    if (!name.empty() && IsSeparator(name[0])) {
        name.erase(0, 1);
        return true;
    }
    static const wchar_t* const kInnerParentSteps[] = {L"\\..\\", L"\\../", L"/../", L"/..\\"};
    for (const wchar_t* step : kInnerParentSteps) {
        std::size_t at = name.find(step);
        if (at != std::wstring::npos) {
            name.erase(0, at + 4);
            return true;
        }
    }
    return false;
}

uint32_t ReadLe16(const uint8_t* p) { return uint32_t(p[0]) | uint32_t(p[1]) << 8; }
uint32_t ReadLe32(const uint8_t* p) { return ReadLe16(p) | ReadLe16(p + 2) << 16; }

} // namespace

std::wstring CleanEntryName(std::wstring name)
{
    while (ApplyOneRule(name)) {
    }
    return name;
}

bool IsContainedEntryName(const std::wstring& cleaned)
{
    std::size_t start = 0;
    while (start <= cleaned.size()) {
        std::size_t end = start;
        while (end < cleaned.size() && !IsSeparator(cleaned[end])) ++end;
        if (end - start == 2 && cleaned[start] == L'.' && cleaned[start + 1] == L'.') return false;
        start = end + 1;
    }
    return true;
}

void SplitEntryName(const std::wstring& name, std::wstring* folder, std::wstring* file)
{
    std::size_t last = name.find_last_of(L"\\/");
    std::size_t cut = last == std::wstring::npos ? 0 : last + 1;
    *folder = name.substr(0, cut);
    *file = name.substr(cut);
}

uint32_t EntryAttributes(uint16_t versionMadeBy, uint32_t x)
{
    bool readOnly, hidden, system, directory, archive;
    switch (versionMadeBy >> 8) {
    case 0:  // MS-DOS and compatibles
    case 7:  // Macintosh
    case 11: // NTFS
    case 14: // VFAT
        readOnly = x & 0x01;
        hidden = x & 0x02;
        system = x & 0x04;
        directory = x & 0x10;
        archive = x & 0x20;
        break;
    default: // a Unix mode in the high half
        directory = x & 0x40000000u;
        readOnly = !(x & 0x00800000u); // owner may not write
        hidden = system = false;
        archive = true;
        break;
    }
    return (directory ? kAttrDirectory : 0) | (archive ? kAttrArchive : 0) | (hidden ? kAttrHidden : 0) |
           (readOnly ? kAttrReadOnly : 0) | (system ? kAttrSystem : 0);
}

DosDateTime DecodeDosDateTime(uint32_t dosDateTime)
{
    uint32_t date = dosDateTime >> 16, time = dosDateTime & 0xFFFF;
    return {int(1980 + (date >> 9)), int((date >> 5) & 0x0F), int(date & 0x1F),
            int(time >> 11),         int((time >> 5) & 0x3F), int(2 * (time & 0x1F))};
}

int64_t UnixTimeToFileTicks(int32_t unixTime) { return int64_t(unixTime) * 10000000 + 116444736000000000LL; }

ExtendedTimes ScanExtendedTimestamp(const uint8_t* extra, std::size_t length)
{
    ExtendedTimes times;
    if (!extra || length <= 4) return times;
    std::size_t p = 0;
    while (p + 4 < length) {
        std::size_t dataSize = ReadLe16(extra + p + 2);
        if (extra[p] != 'U' || extra[p + 1] != 'T') {
            p += 4 + dataSize;
            continue;
        }
        // The times follow the flags byte; read only those that lie wholly inside
        // both the block and the field.
        std::size_t end = p + 4 + dataSize < length ? p + 4 + dataSize : length;
        uint8_t flags = extra[p + 4];
        std::size_t at = p + 5;
        auto next = [&](bool present, bool* has, int64_t* value) {
            if (!present) return;
            if (at + 4 <= end) {
                *has = true;
                *value = UnixTimeToFileTicks(int32_t(ReadLe32(extra + at)));
            }
            at += 4;
        };
        next(flags & 1, &times.hasModified, &times.modified);
        next(flags & 2, &times.hasAccessed, &times.accessed);
        next(flags & 4, &times.hasCreated, &times.created);
        break;
    }
    return times;
}
