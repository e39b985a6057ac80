// The sensor sources against real files: the sysfs reader on fake trees laid out like
// the kernel's, and the sensor file.
#include <gtest/gtest.h>

#include <windows.h>
#include <map>
#include <string>

#include "../support/TestPaths.h"
#include "FakeTree.h"
#include "sensors/FileText.h"
#include "sensors/SensorFile.h"
#include "sensors/Sysfs.h"
#include "sensors/Wmi.h"

namespace {

class SensorSourceTest : public ::testing::Test {
protected:
    void SetUp() override { root_ = MakeTempFolder(L"hwmon-sys"); }
    void TearDown() override { RemoveTree(root_); }
    std::wstring root_;
};

// Sensors of a k10temp as a Ryzen with two dies shows them.
const FakeFiles kRyzen = {
    {"class/hwmon/hwmon0/name", "nvme\n"},
    {"class/hwmon/hwmon0/temp1_input", "39850\n"},
    {"class/hwmon/hwmon0/temp1_label", "Composite\n"},
    {"class/hwmon/hwmon2/name", "k10temp\n"},
    {"class/hwmon/hwmon2/temp1_input", "61250\n"},
    {"class/hwmon/hwmon2/temp1_label", "Tctl\n"},
    {"class/hwmon/hwmon2/temp3_input", "58000\n"},
    {"class/hwmon/hwmon2/temp3_label", "Tccd1\n"},
    {"class/hwmon/hwmon2/temp4_input", "63500\n"},
    {"class/hwmon/hwmon2/temp4_label", "Tccd2\n"},
    {"class/thermal/thermal_zone0/type", "acpitz\n"},
    {"class/thermal/thermal_zone0/temp", "27800\n"},
};

} // namespace

TEST_F(SensorSourceTest, FakeTreesOfTheKnownDrivers)
{
    struct Case {
        const char* what;
        FakeFiles files;
        float package, coreMax;
    };
    const Case cases[] = {
        {"k10temp Tctl and dies", kRyzen, 61.25f, 63.5f},
        {"k10temp Tdie",
         {{"class/hwmon/hwmon1/name", "k10temp\n"},
          {"class/hwmon/hwmon1/temp1_input", "72000\n"},
          {"class/hwmon/hwmon1/temp1_label", "Tctl\n"},
          {"class/hwmon/hwmon1/temp2_input", "45000\n"},
          {"class/hwmon/hwmon1/temp2_label", "Tdie\n"}},
         45.0f, 45.0f},
        {"zenpower",
         {{"class/hwmon/hwmon3/name", "zenpower\n"},
          {"class/hwmon/hwmon3/temp1_input", "50125\n"},
          {"class/hwmon/hwmon3/temp1_label", "Tdie\n"},
          {"class/hwmon/hwmon3/temp2_input", "50125\n"},
          {"class/hwmon/hwmon3/temp2_label", "Tctl\n"},
          {"class/hwmon/hwmon3/temp3_input", "47000\n"},
          {"class/hwmon/hwmon3/temp3_label", "Tccd1\n"}},
         50.125f, 47.0f},
        {"coretemp Package id 0, labels without line ends",
         {{"class/hwmon/hwmon4/name", "coretemp"},
          {"class/hwmon/hwmon4/temp1_input", "38000"},
          {"class/hwmon/hwmon4/temp1_label", "Package id 0"},
          {"class/hwmon/hwmon4/temp2_input", "36000\n"},
          {"class/hwmon/hwmon4/temp2_label", "Core 0\n"},
          {"class/hwmon/hwmon4/temp3_input", "41000\n"},
          {"class/hwmon/hwmon4/temp3_label", "Core 1\n"},
          {"class/hwmon/hwmon4/temp4_input", "unreadable\n"},
          {"class/hwmon/hwmon4/temp4_label", "Core 2\n"}},
         38.0f, 41.0f},
        {"thermal zone x86_pkg_temp",
         {{"class/hwmon/hwmon0/name", "acpitz\n"},
          {"class/hwmon/hwmon0/temp1_input", "27800\n"},
          {"class/thermal/thermal_zone0/type", "acpitz\n"},
          {"class/thermal/thermal_zone0/temp", "27800\n"},
          {"class/thermal/thermal_zone1/type", "x86_pkg_temp\n"},
          {"class/thermal/thermal_zone1/temp", "44000\n"}},
         44.0f, 44.0f},
    };
    for (const Case& c : cases) {
        std::wstring root = root_ + std::to_wstring(&c - cases) + L"\\";
        CreateDirectoryW(root.c_str(), nullptr);
        MakeFakeTree(root, c.files);
        SysfsSource source(root);
        TemperatureReading reading;
        ASSERT_TRUE(source.Read(reading)) << c.what;
        EXPECT_FLOAT_EQ(reading.package, c.package) << c.what;
        EXPECT_FLOAT_EQ(reading.coreMax, c.coreMax) << c.what;
    }
}

TEST_F(SensorSourceTest, NoCpuSensorReadsNothing)
{
    const FakeFiles trees[] = {
        {},
        {{"class/hwmon/hwmon0/name", "nvme\n"},
         {"class/hwmon/hwmon0/temp1_input", "39850\n"},
         {"class/thermal/thermal_zone0/type", "acpitz\n"},
         {"class/thermal/thermal_zone0/temp", "27800\n"}},
        // The right chip, but its package value is broken or missing.
        {{"class/hwmon/hwmon0/name", "k10temp\n"},
         {"class/hwmon/hwmon0/temp1_input", "n/a\n"},
         {"class/hwmon/hwmon0/temp1_label", "Tctl\n"}},
        {{"class/hwmon/hwmon0/name", "coretemp\n"},
         {"class/hwmon/hwmon0/temp1_input", "-273150\n"},
         {"class/hwmon/hwmon0/temp1_label", "Package id 0\n"}},
        {{"class/hwmon/hwmon0/name", "k10temp\n"}, {"class/hwmon/hwmon0/temp1_label", "Tctl\n"}},
        // A chip without a name file is no chip.
        {{"class/hwmon/hwmon0/temp1_input", "50000\n"}, {"class/hwmon/hwmon0/temp1_label", "Tctl\n"}},
    };
    for (const FakeFiles& tree : trees) {
        std::wstring root = root_ + std::to_wstring(&tree - trees) + L"\\";
        CreateDirectoryW(root.c_str(), nullptr);
        MakeFakeTree(root, tree);
        SysfsSource source(root);
        TemperatureReading reading{-1.0f, -1.0f};
        EXPECT_FALSE(source.Read(reading)) << "tree " << (&tree - trees);
        EXPECT_FALSE(source.Read(reading)) << "tree " << (&tree - trees);
        EXPECT_EQ(reading.package, -1.0f);
    }
    SysfsSource missingRoot(root_ + L"does-not-exist");
    TemperatureReading reading;
    EXPECT_FALSE(missingRoot.Read(reading));
}

TEST_F(SensorSourceTest, FollowsTheValueAndFindsAReloadedDriver)
{
    MakeFakeTree(root_, kRyzen);
    SysfsSource source(root_);
    TemperatureReading reading;
    ASSERT_TRUE(source.Read(reading));
    EXPECT_FLOAT_EQ(reading.package, 61.25f);

    WriteTextFile(root_, "class/hwmon/hwmon2/temp1_input", "70500\n");
    ASSERT_TRUE(source.Read(reading));
    EXPECT_FLOAT_EQ(reading.package, 70.5f);

    // The driver goes away...
    RemoveTree(root_ + L"class\\hwmon\\hwmon2");
    EXPECT_FALSE(source.Read(reading));
    // ...and comes back under another number.
    MakeFakeTree(root_, {{"class/hwmon/hwmon7/name", "k10temp\n"},
                         {"class/hwmon/hwmon7/temp1_input", "55000\n"},
                         {"class/hwmon/hwmon7/temp1_label", "Tctl\n"}});
    ASSERT_TRUE(source.Read(reading));
    EXPECT_FLOAT_EQ(reading.package, 55.0f);
    EXPECT_FLOAT_EQ(reading.coreMax, 55.0f);
}

TEST_F(SensorSourceTest, ASensorThatAppearsLaterIsFoundWithinTheSearchInterval)
{
    SysfsSource source(root_);
    TemperatureReading reading;
    EXPECT_FALSE(source.Read(reading));
    MakeFakeTree(root_, kRyzen);
    int reads = 1;
    while (!source.Read(reading) && reads < SysfsSource::kSearchEvery) ++reads;
    EXPECT_LE(reads, SysfsSource::kSearchEvery);
    EXPECT_FLOAT_EQ(reading.package, 61.25f);
}

TEST_F(SensorSourceTest, ListingMatchesTheTree)
{
    MakeFakeTree(root_, kRyzen);
    MakeFakeTree(root_, {{"class/hwmon/hwmonX/name", "bogus\n"}, {"class/hwmon/hwmon2/temp10_max", "90000\n"}});
    SysfsSource source(root_);
    std::vector<HwmonChip> chips = source.ListChips();
    ASSERT_EQ(chips.size(), 2u);
    const HwmonChip& k10 = chips[0].name == "k10temp" ? chips[0] : chips[1];
    EXPECT_EQ(k10.name, "k10temp");
    EXPECT_EQ(k10.index, 2);
    std::map<int, std::string> labels;
    for (const HwmonChannel& channel : k10.channels) labels[channel.index] = channel.label;
    EXPECT_EQ(labels, (std::map<int, std::string>{{1, "Tctl"}, {3, "Tccd1"}, {4, "Tccd2"}}));
    std::vector<ThermalZone> zones = source.ListZones();
    ASSERT_EQ(zones.size(), 1u);
    EXPECT_EQ(zones[0].index, 0);
    EXPECT_EQ(zones[0].type, "acpitz");
}

TEST_F(SensorSourceTest, SensorFileHoldsOneNumber)
{
    std::wstring path = root_ + L"sensor.txt";
    SensorFileSource source(path);
    TemperatureReading reading{-1.0f, -1.0f};
    EXPECT_FALSE(source.Read(reading)) << "missing file";

    struct Case {
        std::string text;
        bool number;
        float celsius;
    };
    const Case cases[] = {
        {"37.9", true, 37.9f},     {"  45\n", true, 45.0f},
        {"-3.5", true, -3.5f},     {"warm", false, 0},
        {"", false, 0},            {std::string(200, ' ') + "50", true, 50.0f},
        // Longer than any temperature: not read at all.
        {std::string(300, ' ') + "50", false, 0},
    };
    for (const Case& c : cases) {
        WriteTextFile(root_, "sensor.txt", c.text);
        reading = {-1.0f, -1.0f};
        EXPECT_EQ(source.Read(reading), c.number) << '"' << c.text << '"';
        EXPECT_FLOAT_EQ(reading.package, c.number ? c.celsius : -1.0f) << '"' << c.text << '"';
        EXPECT_FLOAT_EQ(reading.coreMax, c.number ? c.celsius : -1.0f) << '"' << c.text << '"';
    }
}

TEST_F(SensorSourceTest, SmallFilesAreReadToTheirEnd)
{
    char buffer[8];
    WriteTextFile(root_, "eight", "12345678");
    EXPECT_EQ(ReadSmallFile(root_ + L"eight", buffer, sizeof(buffer)), 8);
    EXPECT_EQ(std::string(buffer, 8), "12345678");
    WriteTextFile(root_, "nine", "123456789");
    EXPECT_EQ(ReadSmallFile(root_ + L"nine", buffer, sizeof(buffer)), -1);
    WriteTextFile(root_, "empty", "");
    EXPECT_EQ(ReadSmallFile(root_ + L"empty", buffer, sizeof(buffer)), 0);
    EXPECT_EQ(ReadSmallFile(root_ + L"missing", buffer, sizeof(buffer)), -1);
    EXPECT_EQ(ReadSmallFile(root_, buffer, sizeof(buffer)), -1) << "a folder";
}

TEST(WmiSourceUnderWine, AMachineWithoutTheZoneStopsAsking)
{
    WmiSource source;
    TemperatureReading reading{-1.0f, -1.0f};
    for (int i = 0; i < 3; ++i) EXPECT_FALSE(source.Read(reading));
    EXPECT_TRUE(source.Unavailable());
    EXPECT_EQ(reading.package, -1.0f);
}
