#pragma once
// Sensor texts and raw values turned into degrees Celsius; no platform dependencies.
#include <cstddef>

// A temperature as a person writes it into a file: one decimal number with an optional
// sign and at most one decimal point ("37.9", "  45\n", "-3.5"), blanks and line ends
// around it, a UTF-8 byte-order mark before it. Anything else is not a number.
bool ParseCelsiusText(const char* text, std::size_t length, float* celsius);

// A sysfs temperature: a whole number of millidegrees Celsius ("45250\n" is 45.25).
bool ParseMillidegrees(const char* text, std::size_t length, float* celsius);

// An ACPI thermal zone reading in tenths of a kelvin.
float TenthsOfKelvinToCelsius(unsigned long tenths);

// False for values no working CPU sensor reports (the stuck, unplugged and
// uninitialised readings of some chips); such a value is not published.
bool IsPlausibleCpuCelsius(float celsius);

// text without the blanks and line ends around it (sysfs names and labels end in '\n').
// Returns the new length; text is not modified.
std::size_t TrimmedLength(const char* text, std::size_t length, std::size_t* start);
