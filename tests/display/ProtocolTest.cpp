#include <gtest/gtest.h>

#include "display/Protocol.h"

TEST(Protocol, TemperatureFrameBytes)
{
    TemperatureFrame frame = BuildTemperatureFrame(0, 9, 8);
    ASSERT_EQ(frame.size(), 65u);
    const std::uint8_t head[] = {0x07, 0xFF, 0xFF, 0x00, 0x09, 0x08};
    for (std::size_t i = 0; i < 6; ++i) EXPECT_EQ(frame[i], head[i]) << "byte " << i;
    for (std::size_t i = 6; i < 65; ++i) EXPECT_EQ(frame[i], 0) << "byte " << i;

    TemperatureFrame max = BuildTemperatureFrame(1, 9, 9);
    EXPECT_EQ(max[3], 1);
    EXPECT_EQ(max[4], 9);
    EXPECT_EQ(max[5], 9);
}

TEST(Protocol, VersionQueryAndReply)
{
    VersionReport query = BuildVersionQuery();
    ASSERT_EQ(query.size(), 64u);
    EXPECT_EQ(query[0], 0x07);
    EXPECT_EQ(query[1], 0xFD);
    for (std::size_t i = 2; i < 64; ++i) EXPECT_EQ(query[i], 0);

    struct Case {
        std::uint8_t b0, b1, b2;
        bool valid;
        int version;
    } cases[] = {{0x07, 0x01, 0x0A, true, 266}, {0x07, 0x01, 0x05, true, 261}, {0x07, 0xFF, 0xFF, true, 65535},
                 {0x00, 0x01, 0x06, false, 262}, {0x07, 0x00, 0x00, true, 0}};
    for (const Case& c : cases) {
        VersionReport reply{};
        reply[0] = c.b0;
        reply[1] = c.b1;
        reply[2] = c.b2;
        EXPECT_EQ(IsValidVersionReply(reply), c.valid);
        EXPECT_EQ(DecodeFirmwareVersion(reply), c.version);
    }
}
