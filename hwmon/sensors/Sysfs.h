#pragma once
// The Linux kernel's CPU temperature sensors as Wine shows them: /sys is Z:\sys.
#include <string>
#include <vector>

#include "SensorChoice.h"
#include "SensorSource.h"

class SysfsSource : public SensorSource {
public:
    // root stands for /sys ("Z:\sys"); tests point it at a fake tree.
    explicit SysfsSource(std::wstring root);
    // Finds the sensor on the first call and again after it stopped answering (a
    // driver reloaded renumbers the hwmon folders). While there is none, looks again
    // only every kSearchEvery calls: a machine without CPU sensors stays without them.
    bool Read(TemperatureReading& reading) override;
    static constexpr int kSearchEvery = 10;

    // The listing the choice is made from.
    std::vector<HwmonChip> ListChips() const;
    std::vector<ThermalZone> ListZones() const;

private:
    bool Discover();

    std::wstring root_;
    bool found_ = false;
    int searchIn_ = 0; // calls to wait before the next search
    std::wstring packagePath_;
    std::vector<std::wstring> corePaths_;
};
