// The simulator's state formats: the registry line, device paths, hex and log lines.
#include <gtest/gtest.h>

#include "SimFormat.h"

using namespace sim;

TEST(SimFormat, RegistryLinesRoundTrip)
{
    SimInterface plain;
    SimInterface composite;
    composite.index = 4000000000u;
    composite.plugged = false;
    composite.vendorId = 0x046D;
    composite.productId = 0xC077;
    composite.usagePage = 0x0001;
    composite.usage = 6;
    composite.interfaceNumber = 0xFF;
    composite.firmware = 0xFFFF;
    composite.reply = ReplyMode::BadFirst;
    composite.plugTime = 133999999999999999ull;
    composite.frameLogBytes = 1;
    SimInterface silent;
    silent.reply = ReplyMode::None;
    for (const SimInterface& info : {plain, composite, silent}) {
        std::string line = FormatInterfaceLine(info);
        EXPECT_EQ(line.find('\n'), std::string::npos);
        std::optional<SimInterface> back = ParseInterfaceLine(line);
        ASSERT_TRUE(back) << line;
        EXPECT_EQ(FormatInterfaceLine(*back), line);
        EXPECT_EQ(back->index, info.index);
        EXPECT_EQ(back->plugged, info.plugged);
        EXPECT_EQ(back->vendorId, info.vendorId);
        EXPECT_EQ(back->usage, info.usage);
        EXPECT_EQ(back->interfaceNumber, info.interfaceNumber);
        EXPECT_EQ(back->firmware, info.firmware);
        EXPECT_EQ(back->reply, info.reply);
        EXPECT_EQ(back->plugTime, info.plugTime);
        EXPECT_EQ(back->frameLogBytes, info.frameLogBytes);
    }
}

TEST(SimFormat, MalformedRegistryLinesAreRejected)
{
    const char* good = "3 plugged 1a2c 4284 ff01 0001 00 0105 normal 133 8388608";
    ASSERT_TRUE(ParseInterfaceLine(good));
    for (const char* bad : {
             "",
             "3 plugged 1a2c 4284 ff01 0001 00 0105 normal 133",           // a field short
             "3 plugged 1a2c 4284 ff01 0001 00 0105 normal 133 8388608 x", // a field more
             "3 attached 1a2c 4284 ff01 0001 00 0105 normal 133 8388608",  // state
             "3 plugged 1a2c 4284 ff01 0001 00 0105 chatty 133 8388608",   // reply mode
             "3 plugged 11a2c 4284 ff01 0001 00 0105 normal 133 8388608",  // id over 16 bits
             "3 plugged 1a2c 4284 ff01 0001 100 0105 normal 133 8388608",  // interface over 8 bits
             "-3 plugged 1a2c 4284 ff01 0001 00 0105 normal 133 8388608",  // sign
             "3 plugged 1a2c 4284 ff01 0001 00 0105 normal 1x3 8388608",   // junk in a number
             "3  plugged 1a2c 4284 ff01 0001 00 0105 normal 133 8388608",  // empty field
         })
        EXPECT_FALSE(ParseInterfaceLine(bad)) << bad;
}

TEST(SimFormat, RegistrySkipsBadLinesKeepsFirstOfAnIndexAndSorts)
{
    std::string text = "2 plugged 1a2c 4284 ff01 0001 00 0105 normal 1 10\r\n"
                       "garbage\n"
                       "0 unplugged 1a2c 4284 ff01 0001 00 0101 none 1 10\n"
                       "2 plugged ffff ffff ff01 0001 00 0105 normal 1 10\n"
                       "5 plugged 1a2c 4284 0001 0006 01 0105 bad-first 1 10"; // no final break
    std::vector<SimInterface> interfaces = ParseRegistry(text);
    ASSERT_EQ(interfaces.size(), 3u);
    EXPECT_EQ(interfaces[0].index, 0u);
    EXPECT_FALSE(interfaces[0].plugged);
    EXPECT_EQ(interfaces[1].index, 2u);
    EXPECT_EQ(interfaces[1].vendorId, 0x1A2C);
    EXPECT_EQ(interfaces[2].index, 5u);
    EXPECT_EQ(interfaces[2].reply, ReplyMode::BadFirst);
    // Unplugged interfaces keep their index: the next one is past every index ever used.
    EXPECT_EQ(NextIndex(interfaces), 6u);
    EXPECT_EQ(NextIndex({}), 0u);
    EXPECT_EQ(ParseRegistry(FormatRegistry(interfaces)).size(), 3u);
}

TEST(SimFormat, PathCarriesTheIdsInUpperCase)
{
    SimInterface info;
    info.index = 12;
    info.vendorId = 0xabcd;
    info.productId = 0x00ef;
    info.interfaceNumber = 2;
    EXPECT_EQ(InterfacePath(info), "\\\\?\\HID#VID_ABCD&PID_00EF&MI_02#sim&12#{4d1e55b2-f16f-11cf-88cb-001111000030}");
    info.vendorId = 0x1A2C;
    info.productId = 0x4284;
    EXPECT_NE(InterfacePath(info).find("VID_1A2C&PID_4284"), std::string::npos);

    EXPECT_TRUE(SamePath(InterfacePath(info),
                         "\\\\?\\hid#vid_1a2c&pid_4284&mi_02#SIM&12#{4D1E55B2-F16F-11CF-88CB-001111000030}"));
    EXPECT_FALSE(SamePath(InterfacePath(info),
                          "\\\\?\\HID#VID_1A2C&PID_4284&MI_02#sim&1#{4d1e55b2-f16f-11cf-88cb-001111000030}"));
    EXPECT_FALSE(SamePath("abc", "abd"));
    EXPECT_FALSE(SamePath("abc", "abcd"));
}

TEST(SimFormat, HexAndFrameLines)
{
    const std::uint8_t frame[6] = {0x07, 0xFF, 0xFF, 0x00, 0x09, 0x08};
    EXPECT_EQ(ToHex(frame, 6), "07ffff000908");
    EXPECT_EQ(ToHex(frame, 0), "");
    EXPECT_EQ(FormatFrameLine(1234, frame, 6), "1234 07ffff000908");

    std::optional<FrameLine> line = ParseFrameLine("1234 07FFff000908");
    ASSERT_TRUE(line);
    EXPECT_EQ(line->ms, 1234u);
    EXPECT_EQ(line->bytes, std::vector<std::uint8_t>(frame, frame + 6));

    for (const char* bad : {"", "1234", "1234 ", "x 07", "1234 0", "1234 0g", "1234 07 ff", " 07"})
        EXPECT_FALSE(ParseFrameLine(bad)) << bad;
}

TEST(SimFormat, LinesSplitOnBreaks)
{
    EXPECT_EQ(SplitLines(""), std::vector<std::string_view>{});
    EXPECT_EQ(SplitLines("a\nb\r\nc"), (std::vector<std::string_view>{"a", "b", "c"}));
    EXPECT_EQ(SplitLines("a\n\nb\n"), (std::vector<std::string_view>{"a", "", "b"}));
}

TEST(SimFormat, NumbersAreDecimalOrHexNeverOctal)
{
    struct Case {
        const char* text;
        std::uint32_t max;
        std::optional<std::uint32_t> value;
    } cases[] = {
        {"0x1A2C", 0xFFFF, 0x1A2C},
        {"0X1a2c", 0xFFFF, 0x1A2C},
        {"0105", 0xFFFF, 105},
        {"0", 0xFFFF, 0},
        {"65535", 0xFFFF, 65535},
        {"65536", 0xFFFF, {}},
        {"0x10000", 0xFFFF, {}},
        {"", 0xFFFF, {}},
        {"0x", 0xFFFF, {}},
        {"-1", 0xFFFF, {}},
        {" 1", 0xFFFF, {}},
        {"1 ", 0xFFFF, {}},
        {"12a", 0xFFFF, {}},
        {"4294967295", 0xFFFFFFFF, 0xFFFFFFFF},
        {"4294967296", 0xFFFFFFFF, {}},
    };
    for (const Case& c : cases) EXPECT_EQ(ParseNumber(c.text, c.max), c.value) << c.text;
}
