#include "SensorChoice.h"

#include <algorithm>

namespace {

struct DriverRule {
    const char* driver;
    const char* packageLabels[2]; // in order of preference
    const char* corePrefix;       // labels of the per-core or per-die channels
};

const DriverRule kRules[] = {
    {"k10temp", {"Tdie", "Tctl"}, "Tccd"},
    {"zenpower", {"Tdie", "Tctl"}, "Tccd"},
    {"coretemp", {"Package id 0", nullptr}, "Core "},
};

bool StartsWith(const std::string& text, const char* prefix) { return text.rfind(prefix, 0) == 0; }

const HwmonChannel* FindLabel(const HwmonChip& chip, const char* label)
{
    for (const HwmonChannel& channel : chip.channels)
        if (channel.label == label) return &channel;
    return nullptr;
}

} // namespace

SensorChoice ChooseCpuSensor(const std::vector<HwmonChip>& chips, const std::vector<ThermalZone>& zones)
{
    std::vector<const HwmonChip*> ordered;
    for (const HwmonChip& chip : chips) ordered.push_back(&chip);
    std::stable_sort(ordered.begin(), ordered.end(),
                     [](const HwmonChip* a, const HwmonChip* b) { return a->index < b->index; });

    SensorChoice choice;
    for (const DriverRule& rule : kRules) {
        for (const HwmonChip* chip : ordered) {
            if (chip->name != rule.driver) continue;
            for (const char* label : rule.packageLabels) {
                const HwmonChannel* package = label ? FindLabel(*chip, label) : nullptr;
                if (!package) continue;
                choice.kind = SensorChoice::Hwmon;
                choice.device = chip->index;
                choice.channel = package->index;
                for (const HwmonChannel& channel : chip->channels)
                    if (StartsWith(channel.label, rule.corePrefix)) choice.cores.push_back(channel.index);
                std::sort(choice.cores.begin(), choice.cores.end());
                return choice;
            }
        }
    }

    const ThermalZone* best = nullptr;
    for (const ThermalZone& zone : zones)
        if (zone.type == "x86_pkg_temp" && (!best || zone.index < best->index)) best = &zone;
    if (best) {
        choice.kind = SensorChoice::Thermal;
        choice.device = best->index;
    }
    return choice;
}
