// Sensor texts to degrees: the sensor file's free-form number, sysfs millidegrees,
// ACPI tenths of a kelvin, and what counts as a believable CPU temperature.
#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "sensors/SensorParse.h"

namespace {

struct TextCase {
    std::string text;
    bool number;
    float celsius;
};

} // namespace

TEST(SensorParse, CelsiusTextAcceptsWhatPeopleWrite)
{
    const TextCase cases[] = {
        {"37.9", true, 37.9f},
        {"  45\n", true, 45.0f},
        {"-3.5", true, -3.5f},
        {"+4", true, 4.0f},
        {"45\r\n", true, 45.0f},
        {"\t61.25 \n\n", true, 61.25f},
        {"12.", true, 12.0f},
        {".5", true, 0.5f},
        {"0", true, 0.0f},
        {"-0", true, -0.0f},
        {"\xEF\xBB\xBF" "50", true, 50.0f},
        {"\xEF\xBB\xBF  72.5\r\n", true, 72.5f},
        {"007", true, 7.0f},
    };
    for (const TextCase& c : cases) {
        float celsius = -999;
        EXPECT_TRUE(ParseCelsiusText(c.text.data(), c.text.size(), &celsius)) << '"' << c.text << '"';
        EXPECT_FLOAT_EQ(celsius, c.celsius) << '"' << c.text << '"';
    }
}

TEST(SensorParse, CelsiusTextRejectsEverythingElseAndKeepsTheOutput)
{
    const std::string garbage[] = {
        "", "   \n", "hot", "37,9", "37.9abc", "abc37", "45 C", "45\xC2\xB0" "C", "4 5", ".", "-", "+", "+-3",
        "--3", "1.2.3", "nan", "NaN", "inf", "-inf", "1e3", "0x10", "45%",
        std::string("45\0", 3), std::string(60, '9'), // beyond a float
        "\xEF\xBB\xBF",
    };
    for (const std::string& text : garbage) {
        float celsius = 12.5f;
        EXPECT_FALSE(ParseCelsiusText(text.data(), text.size(), &celsius)) << '"' << text << '"';
        EXPECT_EQ(celsius, 12.5f) << '"' << text << '"';
    }
    float celsius = 0;
    EXPECT_FALSE(ParseCelsiusText(nullptr, 0, &celsius));
}

TEST(SensorParse, CelsiusTextReadsOnlyTheGivenLength)
{
    const char text[] = "42.5999";
    float celsius = 0;
    ASSERT_TRUE(ParseCelsiusText(text, 4, &celsius));
    EXPECT_FLOAT_EQ(celsius, 42.5f);
}

TEST(SensorParse, MillidegreesAreWholeNumbers)
{
    const TextCase cases[] = {
        {"45250\n", true, 45.25f}, {"38000", true, 38.0f},   {"-5000\n", true, -5.0f}, {"0\n", true, 0.0f},
        {"999", true, 0.999f},     {"105125", true, 105.125f},
        {"", false, 0},            {"\n", false, 0},          {"45.2", false, 0},      {"abc", false, 0},
        {"-", false, 0},           {"12 34", false, 0},       {"1234567890", false, 0}, {"+45000", false, 0},
    };
    for (const TextCase& c : cases) {
        float celsius = -999;
        EXPECT_EQ(ParseMillidegrees(c.text.data(), c.text.size(), &celsius), c.number) << '"' << c.text << '"';
        if (c.number) {
            EXPECT_FLOAT_EQ(celsius, c.celsius) << '"' << c.text << '"';
        }
    }
}

TEST(SensorParse, TenthsOfKelvin)
{
    EXPECT_NEAR(TenthsOfKelvinToCelsius(2732), 0.05f, 1e-4);
    EXPECT_NEAR(TenthsOfKelvinToCelsius(3010), 27.85f, 1e-4);
    EXPECT_NEAR(TenthsOfKelvinToCelsius(3232), 50.05f, 1e-4);
    EXPECT_NEAR(TenthsOfKelvinToCelsius(0), -273.15f, 1e-3);
}

TEST(SensorParse, PlausibleCpuTemperatures)
{
    for (float ok : {-40.0f, 0.0f, 25.0f, 99.9f, 150.0f})
        EXPECT_TRUE(IsPlausibleCpuCelsius(ok)) << ok;
    for (float bad : {-273.15f, -128.0f, 255.0f, 1000.0f, NAN, INFINITY})
        EXPECT_FALSE(IsPlausibleCpuCelsius(bad)) << bad;
}
