#include "DisplayValue.h"

#include <cmath>

int DisplayValue(float celsius, int unit)
{
    double c = celsius;
    if (std::isnan(c)) c = 0.0;
    if (c > 1e6) c = 1e6;
    if (c < -1e6) c = -1e6;
    int value = static_cast<int>(c);
    if (unit == 1) value = static_cast<int>(value * 1.8 + 32.0);
    if (value > kDisplayMax) value = kDisplayMax;
    return value;
}

Digits SplitDigits(int value)
{
    if (value < 0) value = 0;
    return {(value / 100) % 10, (value / 10) % 10, value - (value / 10) * 10};
}
