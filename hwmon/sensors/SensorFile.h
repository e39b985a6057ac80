#pragma once
// A text file holding one temperature in °C: how tests and demonstrations drive the
// server (TOVRIN_SENSOR_FILE).
#include <string>

#include "SensorSource.h"

class SensorFileSource : public SensorSource {
public:
    explicit SensorFileSource(std::wstring path) : path_(std::move(path)) {}
    // False while the file is missing, unreadable or holds no number.
    bool Read(TemperatureReading& reading) override;

private:
    std::wstring path_;
};
