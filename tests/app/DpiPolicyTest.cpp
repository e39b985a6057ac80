#include <gtest/gtest.h>

#include "app/DpiPolicy.h"

TEST(DpiPolicy, AwareOnlyBelowEitherThreshold)
{
    struct Case {
        int width, height;
        bool aware;
    } cases[] = {
        {1399, 1080, true}, {1920, 799, true}, {1400, 800, false}, {1920, 1080, false},
        {1399, 799, true},  {1400, 799, true}, {1399, 800, true},  {3840, 2160, false},
        {0, 0, true},
    };
    for (const Case& c : cases)
        EXPECT_EQ(NeedsDpiAwareness(c.width, c.height), c.aware) << c.width << " x " << c.height;
}
