#pragma once
// A place the server gets the CPU temperature from.
#include "record/Record.h"

class SensorSource {
public:
    virtual ~SensorSource() = default;
    // True with a fresh reading; false when the source has no value at this moment.
    // Called once a second for months: keeps nothing open between calls that grows.
    virtual bool Read(TemperatureReading& reading) = 0;
};
