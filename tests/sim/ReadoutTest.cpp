// The read-out's segments: each digit's pattern and the dark leading positions.
#include <gtest/gtest.h>

#include <string>

#include "Readout.h"

using namespace sim;

namespace {

// Segment letters of a mask, "abcdefg" order.
std::string Letters(std::uint8_t mask)
{
    std::string letters;
    for (int segment = 0; segment < kSegmentCount; ++segment)
        if (mask >> segment & 1) letters += char('a' + segment);
    return letters;
}

} // namespace

TEST(Readout, DigitPatterns)
{
    const char* expected[10] = {"abcdef", "bc",     "abdeg", "abcdg",   "bcfg",
                                "acdfg",  "acdefg", "abc",   "abcdefg", "abcdfg"};
    for (int digit = 0; digit < 10; ++digit) EXPECT_EQ(Letters(DigitSegments(digit)), expected[digit]) << digit;
    for (int invalid : {-1, 10, 0xFF}) EXPECT_EQ(Letters(DigitSegments(invalid)), "g") << invalid;
}

TEST(Readout, LeadingZerosStayDark)
{
    struct Case {
        int h, t, u;
        const char* shown[3];
    } cases[] = {
        {0, 0, 0, {"", "", "abcdef"}},         // "  0"
        {0, 0, 7, {"", "", "abc"}},            // "  7"
        {0, 4, 2, {"", "bcfg", "abdeg"}},      // " 42"
        {1, 0, 5, {"bc", "abcdef", "acdfg"}},  // "105"
        {1, 9, 9, {"bc", "abcdfg", "abcdfg"}}, // "199"
        {0xFF, 0, 1, {"g", "abcdef", "bc"}},   // bad data shows, it is not a leading zero
    };
    for (const Case& c : cases) {
        std::array<std::uint8_t, 3> segments = ReadoutSegments(c.h, c.t, c.u);
        for (int position = 0; position < 3; ++position)
            EXPECT_EQ(Letters(segments[position]), c.shown[position]) << c.h << c.t << c.u << " position " << position;
    }
}
