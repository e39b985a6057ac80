#include "SensorFile.h"

#include "FileText.h"
#include "SensorParse.h"

bool SensorFileSource::Read(TemperatureReading& reading)
{
    // A temperature is a few characters; a longer file is not one.
    char text[256];
    int length = ReadSmallFile(path_, text, sizeof(text));
    float celsius = 0;
    if (length < 0 || !ParseCelsiusText(text, static_cast<std::size_t>(length), &celsius)) return false;
    reading.package = celsius;
    reading.coreMax = celsius;
    return true;
}
