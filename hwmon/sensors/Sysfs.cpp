#include "Sysfs.h"

#include <windows.h>
#include <cwchar>

#include "FileText.h"
#include "SensorParse.h"

namespace {

// N of an entry named prefix + N, or -1.
int NumberAfter(const wchar_t* name, const wchar_t* prefix, const wchar_t* suffix = L"")
{
    std::size_t prefixLength = std::wcslen(prefix), suffixLength = std::wcslen(suffix), length = std::wcslen(name);
    if (length <= prefixLength + suffixLength || std::wcsncmp(name, prefix, prefixLength) != 0 ||
        std::wcscmp(name + length - suffixLength, suffix) != 0)
        return -1;
    int number = 0;
    for (std::size_t i = prefixLength; i < length - suffixLength; ++i) {
        if (name[i] < L'0' || name[i] > L'9' || number > 100000) return -1;
        number = number * 10 + (name[i] - L'0');
    }
    return number;
}

// Entry names in folder matching pattern. The hwmonN entries are symbolic links,
// which Wine may or may not report as folders: attributes are not looked at.
template <class Visit>
void ForEachEntry(const std::wstring& folder, const wchar_t* pattern, Visit visit)
{
    WIN32_FIND_DATAW data;
    HANDLE find = FindFirstFileExW((folder + pattern).c_str(), FindExInfoBasic, &data, FindExSearchNameMatch,
                                   nullptr, 0);
    if (find == INVALID_HANDLE_VALUE) return;
    do visit(data.cFileName);
    while (FindNextFileW(find, &data));
    FindClose(find);
}

// A one-line text file without its line end; empty when missing.
std::string ReadLine(const std::wstring& path)
{
    char text[256];
    int length = ReadSmallFile(path, text, sizeof(text));
    if (length <= 0) return {};
    std::size_t start = 0;
    std::size_t trimmed = TrimmedLength(text, static_cast<std::size_t>(length), &start);
    return std::string(text + start, trimmed);
}

bool ReadMillidegrees(const std::wstring& path, float* celsius)
{
    char text[64];
    int length = ReadSmallFile(path, text, sizeof(text));
    return length > 0 && ParseMillidegrees(text, static_cast<std::size_t>(length), celsius) &&
           IsPlausibleCpuCelsius(*celsius);
}

std::wstring WithBackslash(std::wstring path)
{
    if (path.empty() || path.back() != L'\\') path += L'\\';
    return path;
}

std::wstring HwmonFolder(const std::wstring& root, int index)
{
    return root + L"class\\hwmon\\hwmon" + std::to_wstring(index) + L"\\";
}

std::wstring ZoneFolder(const std::wstring& root, int index)
{
    return root + L"class\\thermal\\thermal_zone" + std::to_wstring(index) + L"\\";
}

std::wstring InputPath(const std::wstring& chip, int channel)
{
    return chip + L"temp" + std::to_wstring(channel) + L"_input";
}

} // namespace

SysfsSource::SysfsSource(std::wstring root) : root_(WithBackslash(std::move(root))) {}

std::vector<HwmonChip> SysfsSource::ListChips() const
{
    std::vector<HwmonChip> chips;
    ForEachEntry(root_ + L"class\\hwmon\\", L"hwmon*", [&](const wchar_t* entry) {
        int index = NumberAfter(entry, L"hwmon");
        if (index < 0) return;
        HwmonChip chip;
        chip.index = index;
        std::wstring folder = HwmonFolder(root_, index);
        chip.name = ReadLine(folder + L"name");
        if (chip.name.empty()) return;
        ForEachEntry(folder, L"temp*_input", [&](const wchar_t* file) {
            int channel = NumberAfter(file, L"temp", L"_input");
            if (channel < 0) return;
            chip.channels.push_back({channel, ReadLine(folder + L"temp" + std::to_wstring(channel) + L"_label")});
        });
        chips.push_back(std::move(chip));
    });
    return chips;
}

std::vector<ThermalZone> SysfsSource::ListZones() const
{
    std::vector<ThermalZone> zones;
    ForEachEntry(root_ + L"class\\thermal\\", L"thermal_zone*", [&](const wchar_t* entry) {
        int index = NumberAfter(entry, L"thermal_zone");
        if (index < 0) return;
        zones.push_back({index, ReadLine(ZoneFolder(root_, index) + L"type")});
    });
    return zones;
}

bool SysfsSource::Discover()
{
    SensorChoice choice = ChooseCpuSensor(ListChips(), ListZones());
    corePaths_.clear();
    switch (choice.kind) {
    case SensorChoice::Hwmon: {
        std::wstring chip = HwmonFolder(root_, choice.device);
        packagePath_ = InputPath(chip, choice.channel);
        for (int core : choice.cores) corePaths_.push_back(InputPath(chip, core));
        return true;
    }
    case SensorChoice::Thermal:
        packagePath_ = ZoneFolder(root_, choice.device) + L"temp";
        return true;
    default:
        packagePath_.clear();
        return false;
    }
}

bool SysfsSource::Read(TemperatureReading& reading)
{
    if (!found_) {
        if (searchIn_ > 0) {
            --searchIn_;
            return false;
        }
        found_ = Discover();
        if (!found_) {
            searchIn_ = kSearchEvery - 1;
            return false;
        }
    }
    float package = 0;
    if (!ReadMillidegrees(packagePath_, &package)) {
        // Gone or broken: look again on the next call.
        found_ = false;
        return false;
    }
    float hottest = 0;
    bool anyCore = false;
    for (const std::wstring& path : corePaths_) {
        float core = 0;
        if (!ReadMillidegrees(path, &core)) continue;
        if (!anyCore || core > hottest) hottest = core;
        anyCore = true;
    }
    reading.package = package;
    reading.coreMax = anyCore ? hottest : package;
    return true;
}
