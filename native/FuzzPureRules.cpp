// libFuzzer target over the rules that see bytes from a downloaded archive or the
// update server: entry names, extra fields, attributes, DOS times, version texts and
// the update.url line. Besides the sanitizers' checks it asserts the rules' promises.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "archive/ZipNames.h"
#include "update/UpdateUrl.h"
#include "update/Versions.h"

namespace {

void Require(bool promise)
{
    if (!promise) std::abort();
}

bool IsSeparator(wchar_t c) { return c == L'\\' || c == L'/'; }

void CheckName(const std::wstring& stored)
{
    std::wstring cleaned = CleanEntryName(stored);
    // Cleaning only ever drops a front part.
    Require(cleaned.size() <= stored.size());
    Require(stored.compare(stored.size() - cleaned.size(), cleaned.size(), cleaned) == 0);
    // No rule applies any more.
    Require(cleaned.empty() || !IsSeparator(cleaned[0]));
    Require(cleaned.size() < 2 || cleaned[1] != L':');
    for (const wchar_t* step : {L"\\..\\", L"\\../", L"/../", L"/..\\"}) Require(cleaned.find(step) == std::wstring::npos);
    Require(CleanEntryName(cleaned) == cleaned);

    // A contained name has no parent step at all, so below any folder it stays below it.
    if (IsContainedEntryName(cleaned)) {
        std::size_t start = 0;
        while (start <= cleaned.size()) {
            std::size_t end = start;
            while (end < cleaned.size() && !IsSeparator(cleaned[end])) ++end;
            Require(cleaned.compare(start, end - start, L"..") != 0 || end - start != 2);
            start = end + 1;
        }
    }
    std::wstring folder, file;
    SplitEntryName(cleaned, &folder, &file);
    Require(folder + file == cleaned);
    Require(file.find_first_of(L"\\/") == std::wstring::npos);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size)
{
    // The whole input as a local extra field.
    ExtendedTimes times = ScanExtendedTimestamp(data, size);
    Require(!times.hasModified || times.modified == UnixTimeToFileTicks(int32_t(times.modified / 10000000 - 11644473600LL)));

    // As an entry name: bytes as they come from the ANSI conversion, and pairs of bytes
    // as wide characters.
    std::wstring narrow(data, data + size);
    CheckName(narrow);
    std::wstring wide;
    for (std::size_t i = 0; i + 1 < size; i += 2) wide.push_back(wchar_t(data[i] | data[i + 1] << 8));
    CheckName(wide);

    if (size >= 6) {
        uint16_t madeBy = uint16_t(data[0] | data[1] << 8);
        uint32_t external = uint32_t(data[2]) | uint32_t(data[3]) << 8 | uint32_t(data[4]) << 16 | uint32_t(data[5]) << 24;
        uint32_t attr = EntryAttributes(madeBy, external);
        Require((attr & ~uint32_t(kAttrReadOnly | kAttrHidden | kAttrSystem | kAttrDirectory | kAttrArchive)) == 0);
        DosDateTime d = DecodeDosDateTime(external);
        Require(d.year >= 1980 && d.year <= 2107 && d.month <= 15 && d.day <= 31 && d.hour <= 31 && d.minute <= 63 &&
                d.second <= 62);
    }

    // Version texts: the two halves of the input against each other.
    std::wstring a(narrow.substr(0, size / 2)), b(narrow.substr(size / 2));
    int ab = CompareVersions(a, b), ba = CompareVersions(b, a);
    Require(ab == 2 ? ba == 2 : ab == -ba);
    Require(CompareVersions(a, a) == 0);
    IsFirmwareNewer(a, int(size) * 37);
    ParseLeadingInt(b);

    std::wstring base;
    if (ParseUpdateBaseUrl(std::string(reinterpret_cast<const char*>(data), size), &base)) {
        Require(base.size() > 8);
        Require(base.find_first_of(L" \t\r\n\\@") == std::wstring::npos);
        Require(base.back() != L'/');
    }
    return 0;
}
