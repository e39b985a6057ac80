#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "temperature/DisplayValue.h"

TEST(DisplayValue, ConversionAndLimit)
{
    struct Case {
        float celsius;
        int unit;
        int shown;
    } cases[] = {
        {37.9f, 0, 37},  {37.9f, 1, 98},   // 37 * 1.8 + 32 = 98.6, from the truncated value
        {92.0f, 1, 197}, {93.0f, 1, 199},  {95.0f, 1, 199}, {250.0f, 0, 199},
        {5.5f, 0, 5},    {37.9f, 2, 37},   // only exactly 1 converts
        {-3.7f, 0, -3},  {-3.7f, 1, 26},   // -3 * 1.8 + 32 = 26.6
        {199.99f, 0, 199}, {0.4f, 0, 0},   {1e30f, 0, 199}, {-1e30f, 0, -1000000},
        {std::numeric_limits<float>::infinity(), 1, 199},
    };
    for (const Case& c : cases) EXPECT_EQ(DisplayValue(c.celsius, c.unit), c.shown) << c.celsius << " unit " << c.unit;
}

TEST(DisplayValue, DigitsOfTheFrame)
{
    struct Case {
        int value, h, t, u;
    } cases[] = {{199, 1, 9, 9}, {98, 0, 9, 8}, {37, 0, 3, 7}, {5, 0, 0, 5}, {0, 0, 0, 0}, {100, 1, 0, 0},
                 {-3, 0, 0, 0}}; // a display digit is never negative
    for (const Case& c : cases) {
        Digits d = SplitDigits(c.value);
        EXPECT_EQ(d.hundreds, c.h) << c.value;
        EXPECT_EQ(d.tens, c.t) << c.value;
        EXPECT_EQ(d.units, c.u) << c.value;
    }
}
