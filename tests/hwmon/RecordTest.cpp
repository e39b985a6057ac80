// The record as the server writes it: offsets, names, what it leaves alone, and the
// publication count.
#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <cstring>
#include <string>

#include "record/Record.h"

namespace {

using Block = std::array<unsigned char, kRecordBytes>;

float FloatAt(const Block& block, std::size_t offset)
{
    float value;
    std::memcpy(&value, block.data() + offset, sizeof(value));
    return value;
}

std::string NameAt(const Block& block, std::size_t offset)
{
    const char* name = reinterpret_cast<const char*>(block.data() + offset);
    return std::string(name, strnlen(name, kNameBytes));
}

bool InOurFields(std::size_t i)
{
    return (i >= kCpuOffset && i < kThirdValueOffset + 4 && !(i >= kSecondValueOffset + 4 && i < kThirdNameOffset));
}

} // namespace

TEST(Record, PublishWritesTheFieldsAndNothingElse)
{
    Block block;
    block.fill(0xAB);
    PublishReading(block.data(), {48.5f, 53.25f}, 1.0f);

    EXPECT_EQ(FloatAt(block, 152), 48.5f);
    EXPECT_EQ(FloatAt(block, 156), 1.0f);
    EXPECT_EQ(NameAt(block, 160), "CPU Package");
    EXPECT_EQ(FloatAt(block, 296), 48.5f);
    EXPECT_EQ(NameAt(block, 304), "CPU Core Max");
    EXPECT_EQ(FloatAt(block, 440), 53.25f);
    // Names are padded with zeros to the end of their field.
    for (std::size_t i = 160 + 11; i < 296; ++i) EXPECT_EQ(block[i], 0) << i;
    for (std::size_t i = 304 + 12; i < 440; ++i) EXPECT_EQ(block[i], 0) << i;
    for (std::size_t i = 0; i < kRecordBytes; ++i)
        if (!InOurFields(i)) {
            EXPECT_EQ(block[i], 0xAB) << "byte " << i << " is not ours";
        }
}

TEST(Record, APublicationReplacesEarlierValuesAndAStrangerName)
{
    Block block{};
    std::memset(block.data() + 160, 'x', kNameBytes); // no terminator at all
    std::strcpy(reinterpret_cast<char*>(block.data() + 304), "CPU Core Max and more");
    PublishReading(block.data(), {40.0f, 40.0f}, 1.0f);
    PublishReading(block.data(), {-3.5f, 2.0f}, 2.0f);
    EXPECT_EQ(NameAt(block, 160), "CPU Package");
    EXPECT_EQ(NameAt(block, 304), "CPU Core Max");
    EXPECT_EQ(block[160 + kNameBytes - 1], 0);
    EXPECT_EQ(FloatAt(block, 152), -3.5f);
    EXPECT_EQ(FloatAt(block, 296), -3.5f);
    EXPECT_EQ(FloatAt(block, 440), 2.0f);
    EXPECT_EQ(FloatAt(block, 156), 2.0f);
}

TEST(Record, ClearForgetsOnlyOurFields)
{
    Block block;
    block.fill(0x5C);
    PublishReading(block.data(), {70.0f, 75.0f}, 9.0f);
    ClearReading(block.data());
    for (std::size_t i = 0; i < kRecordBytes; ++i) EXPECT_EQ(block[i], InOurFields(i) ? 0 : 0x5C) << "byte " << i;
}

TEST(Record, IndicatorCountsAndNeverReachesZero)
{
    EXPECT_EQ(NextIndicator(0.0f), 1.0f);
    EXPECT_EQ(NextIndicator(1.0f), 2.0f);
    EXPECT_EQ(NextIndicator(41.0f), 42.0f);
    EXPECT_EQ(NextIndicator(16777215.0f), 16777216.0f);
    // Beyond 2^24 a float no longer counts by one: start again.
    EXPECT_EQ(NextIndicator(16777216.0f), 1.0f);
    // Whatever a stranger left there.
    EXPECT_EQ(NextIndicator(-5.0f), 1.0f);
    EXPECT_EQ(NextIndicator(NAN), 1.0f);
    EXPECT_EQ(NextIndicator(INFINITY), 1.0f);

    float indicator = 0;
    for (int i = 0; i < 1000; ++i) {
        float next = NextIndicator(indicator);
        ASSERT_GT(next, 0.0f);
        ASSERT_NE(next, indicator);
        indicator = next;
    }
}
