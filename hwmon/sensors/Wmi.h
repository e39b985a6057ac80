#pragma once
// The ACPI thermal zone that Windows reports through WMI (root\WMI,
// MSAcpi_ThermalZoneTemperature). Many machines have none, and reading it needs
// administrator rights, which the server inherits from the program.
#include "SensorSource.h"

struct IWbemServices;
struct ComLibrary;

class WmiSource : public SensorSource {
public:
    WmiSource() = default;
    ~WmiSource() override;
    WmiSource(const WmiSource&) = delete;
    WmiSource& operator=(const WmiSource&) = delete;

    bool Read(TemperatureReading& reading) override;
    // True once the machine has shown it has no such zone; Read then costs nothing.
    bool Unavailable() const { return unavailable_; }

private:
    bool Connect();
    void Disconnect();

    ComLibrary* com_ = nullptr; // loaded on first use
    bool unavailable_ = false;
    int retryIn_ = 0; // calls to skip before connecting again after a failure
    IWbemServices* services_ = nullptr;
    wchar_t* language_ = nullptr; // BSTRs of the query, kept for the connection's life
    wchar_t* query_ = nullptr;
};
