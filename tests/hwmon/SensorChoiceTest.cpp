// Choosing the CPU package sensor from a listing of the kernel's sensors.
#include <gtest/gtest.h>

#include "sensors/SensorChoice.h"

namespace {

HwmonChip Chip(int index, const char* name, std::vector<HwmonChannel> channels)
{
    return HwmonChip{index, name, std::move(channels)};
}

const HwmonChip kNvme = Chip(0, "nvme", {{1, "Composite"}, {2, "Sensor 1"}});
const HwmonChip kAcpi = Chip(1, "acpitz", {{1, ""}});

} // namespace

TEST(SensorChoice, PackageSensorOfEachDriver)
{
    struct Case {
        const char* what;
        std::vector<HwmonChip> chips;
        int device, channel;
        std::vector<int> cores;
    };
    const Case cases[] = {
        {"k10temp Tctl", {kNvme, Chip(3, "k10temp", {{1, "Tctl"}, {3, "Tccd1"}, {4, "Tccd2"}})}, 3, 1, {3, 4}},
        {"k10temp Tdie before Tctl", {Chip(2, "k10temp", {{1, "Tctl"}, {2, "Tdie"}, {3, "Tccd1"}})}, 2, 2, {3}},
        {"zenpower", {kAcpi, Chip(4, "zenpower", {{1, "Tdie"}, {2, "Tctl"}, {3, "Tccd1"}, {4, "Tccd2"}})}, 4, 1,
         {3, 4}},
        {"coretemp", {Chip(5, "coretemp", {{2, "Core 0"}, {1, "Package id 0"}, {6, "Core 4"}, {3, "Core 1"}}), kNvme},
         5, 1, {2, 3, 6}},
        {"coretemp second socket ignored",
         {Chip(2, "coretemp", {{1, "Package id 1"}, {2, "Core 0"}}), Chip(3, "coretemp", {{1, "Package id 0"}})}, 3,
         1, {}},
        {"k10temp before coretemp", {Chip(1, "coretemp", {{1, "Package id 0"}}), Chip(7, "k10temp", {{1, "Tctl"}})},
         7, 1, {}},
        {"lowest hwmon number, numerically",
         {Chip(10, "k10temp", {{1, "Tctl"}}), Chip(2, "k10temp", {{5, "Tctl"}}), Chip(1, "k10temp", {{1, "Tccd1"}})}, 2,
         5, {}},
    };
    for (const Case& c : cases) {
        SensorChoice choice = ChooseCpuSensor(c.chips, {{0, "x86_pkg_temp"}});
        EXPECT_EQ(choice.kind, SensorChoice::Hwmon) << c.what;
        EXPECT_EQ(choice.device, c.device) << c.what;
        EXPECT_EQ(choice.channel, c.channel) << c.what;
        EXPECT_EQ(choice.cores, c.cores) << c.what;
    }
}

TEST(SensorChoice, ThermalZoneWhenNoChipKnowsThePackage)
{
    // A k10temp without Tctl or Tdie (older AMD families) and a coretemp without a
    // package sensor are not taken for the package.
    std::vector<HwmonChip> chips = {kNvme, kAcpi, Chip(2, "k10temp", {{1, ""}}), Chip(3, "coretemp", {{2, "Core 0"}})};
    SensorChoice choice = ChooseCpuSensor(chips, {{0, "acpitz"}, {7, "x86_pkg_temp"}, {3, "x86_pkg_temp"}});
    EXPECT_EQ(choice.kind, SensorChoice::Thermal);
    EXPECT_EQ(choice.device, 3);
    EXPECT_TRUE(choice.cores.empty());
}

TEST(SensorChoice, NothingWithoutACpuSensor)
{
    EXPECT_EQ(ChooseCpuSensor({}, {}).kind, SensorChoice::None);
    EXPECT_EQ(ChooseCpuSensor({kNvme, kAcpi, Chip(4, "K10TEMP", {{1, "tctl"}})}, {{0, "acpitz"}, {1, "iwlwifi_1"}})
                  .kind,
              SensorChoice::None);
}
