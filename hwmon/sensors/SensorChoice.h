#pragma once
// Which of the Linux kernel's temperature sensors is the CPU's, chosen from a listing
// of /sys/class/hwmon and /sys/class/thermal; no platform dependencies.
#include <string>
#include <vector>

struct HwmonChannel {
    int index = 0;     // N of tempN_input
    std::string label; // tempN_label without its line end; empty when there is none
};

struct HwmonChip {
    int index = 0;    // N of hwmonN
    std::string name; // the chip's name file: the driver ("k10temp", "coretemp", ...)
    std::vector<HwmonChannel> channels;
};

struct ThermalZone {
    int index = 0;    // N of thermal_zoneN
    std::string type; // the zone's type file ("x86_pkg_temp", "acpitz", ...)
};

struct SensorChoice {
    enum Kind { None, Hwmon, Thermal };
    Kind kind = None;
    int device = 0;           // hwmonN or thermal_zoneN
    int channel = 0;          // tempN_input of the package sensor (hwmon only)
    std::vector<int> cores;   // channels of the same chip that measure single cores or dies
};

// The CPU package sensor, in this order of preference: AMD's k10temp (Tdie, the die
// itself, before Tctl, which carries a fan-control offset on some models), zenpower
// (the same), Intel's coretemp ("Package id 0"); then the thermal zone of type
// x86_pkg_temp. Among chips of one driver the lowest hwmon number wins.
SensorChoice ChooseCpuSensor(const std::vector<HwmonChip>& chips, const std::vector<ThermalZone>& zones);
