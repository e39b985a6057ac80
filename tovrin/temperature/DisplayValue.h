#pragma once
// From the published Celsius reading to the whole number a display shows; no platform
// dependencies.

constexpr int kDisplayMax = 199; // three digits, the hundreds digit being 0 or 1

struct Digits {
    int hundreds, tens, units;
};

// The shown value: the reading truncated toward zero, converted to Fahrenheit (from
// the truncated Celsius value) only for unit 1, limited to 199. Readings beyond any
// real temperature are limited before the conversion to an integer, which would
// otherwise be undefined.
int DisplayValue(float celsius, int unit);

// Digits of the shown value for the frame. A negative value shows as 000: a display
// digit is 0 to 9.
Digits SplitDigits(int value);
