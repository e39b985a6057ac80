// The product's core job end to end: the real Tovrin.exe from a copy of the install
// image, our hardware-monitor server fed through its sensor file, and simulated
// displays recording every report they receive.
#include <gtest/gtest.h>

#include <windows.h>
#include <string>
#include <vector>

#include "../support/Image.h"
#include "../support/Processes.h"

namespace {

class CoreJob : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_FALSE(InstanceMutexExists()) << "another Tovrin runs in this prefix";
        RegDeleteTreeW(HKEY_CURRENT_USER, L"SOFTWARE\\ZEL");
    }
    void TearDown() override
    {
        if (tovrin.Running()) {
            EXPECT_EQ(QuitTovrin(tovrin), 1u);
        }
        RegDeleteTreeW(HKEY_CURRENT_USER, L"SOFTWARE\\ZEL");
    }

    void SetUnit(const wchar_t* unit)
    {
        HKEY key;
        RegCreateKeyExW(HKEY_CURRENT_USER, L"SOFTWARE\\ZEL", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr);
        RegSetValueExW(key, L"tempe_type", 0, REG_SZ, reinterpret_cast<const BYTE*>(unit),
                       DWORD((wcslen(unit) + 1) * sizeof(wchar_t)));
        RegCloseKey(key);
    }

    void Start()
    {
        tovrin = image.StartTovrin();
        ASSERT_TRUE(tovrin.Running());
    }

    // Waits until display index has received a frame with exactly this hex text after
    // the first `after` frames; returns the frames then.
    std::vector<SimulatedImage::Frame> WaitForFrame(int index, const std::string& hex, size_t after = 0,
                                                    DWORD ms = 30000)
    {
        std::vector<SimulatedImage::Frame> frames;
        WaitFor(
            [&] {
                frames = image.Frames(index);
                for (size_t i = after; i < frames.size(); ++i)
                    if (frames[i].hex == hex) return true;
                return false;
            },
            ms);
        return frames;
    }

    static bool Contains(const std::vector<SimulatedImage::Frame>& frames, const std::string& hex, size_t from = 0)
    {
        for (size_t i = from; i < frames.size(); ++i)
            if (frames[i].hex == hex) return true;
        return false;
    }

    SimulatedImage image;
    ChildProcess tovrin;
};

} // namespace

TEST_F(CoreJob, CelsiusFramesFollowTheSensorAndZeroSendsNothing)
{
    int display = image.Plug();
    ASSERT_GE(display, 0);
    image.SetSensor("37.9\n");
    Start();

    auto frames = WaitForFrame(display, FrameHex(0, 3, 7));
    ASSERT_TRUE(Contains(frames, FrameHex(0, 3, 7))) << frames.size() << " frames, none for 37";
    EXPECT_EQ(frames.back().hex.size(), 130u) << "65 bytes";

    image.SetSensor("250");
    frames = WaitForFrame(display, FrameHex(1, 9, 9), frames.size());
    ASSERT_TRUE(Contains(frames, FrameHex(1, 9, 9))) << "250 degrees are shown as 199";

    // A published 0.0 is no reading: no frame at all while it lasts.
    image.SetSensor("0.0");
    Sleep(3000); // the server takes up to a second to publish it
    size_t settled = image.Frames(display).size();
    Sleep(4000);
    EXPECT_EQ(image.Frames(display).size(), settled) << "frames went on for a temperature of 0";

    image.SetSensor("5.5");
    frames = WaitForFrame(display, FrameHex(0, 0, 5), settled);
    EXPECT_TRUE(Contains(frames, FrameHex(0, 0, 5), settled));
}

TEST_F(CoreJob, FahrenheitConvertsAndClamps)
{
    SetUnit(L"1");
    int display = image.Plug();
    image.SetSensor("37.9");
    Start();
    auto frames = WaitForFrame(display, FrameHex(0, 9, 8));
    ASSERT_TRUE(Contains(frames, FrameHex(0, 9, 8))) << "37.9 C is 98 F, from the truncated 37";
    image.SetSensor("93");
    frames = WaitForFrame(display, FrameHex(1, 9, 9), frames.size());
    EXPECT_TRUE(Contains(frames, FrameHex(1, 9, 9))) << "93 C is 199.4 F, shown as 199";
}

TEST_F(CoreJob, TwoDisplaysThenOneIsUnplugged)
{
    int first = image.Plug();
    int second = image.Plug();
    ASSERT_GE(first, 0);
    ASSERT_GT(second, first);
    image.SetSensor("44");
    Start();
    auto frames = WaitForFrame(second, FrameHex(0, 4, 4));
    ASSERT_TRUE(Contains(frames, FrameHex(0, 4, 4)));
    ASSERT_TRUE(Contains(image.Frames(first), FrameHex(0, 4, 4)));
    // Every frame goes to both, in list order: first, second, first, second, ...
    std::vector<int> order;
    ASSERT_TRUE(WaitFor([&] { return (order = image.Arrivals()).size() >= 6; }, 30000));
    for (size_t i = 0; i + 1 < order.size(); i += 2) {
        EXPECT_EQ(order[i], first) << "report " << i;
        EXPECT_EQ(order[i + 1], second) << "report " << i + 1;
    }

    ASSERT_EQ(image.DisplaySim(L"unplug " + std::to_wstring(first)), 0);
    size_t before = image.Frames(second).size();
    image.SetSensor("46");
    frames = WaitForFrame(second, FrameHex(0, 4, 6), before);
    EXPECT_TRUE(Contains(frames, FrameHex(0, 4, 6), before)) << "the remaining display goes on";
    EXPECT_FALSE(Contains(image.Frames(first), FrameHex(0, 4, 6))) << "nothing reaches an unplugged display";
}

TEST_F(CoreJob, CompositeDeviceYieldsOneDisplay)
{
    int keyboard = image.Plug(L"--usage-page 0x0001 --usage 6");
    int display = image.Plug(L"--usage-page 0xFF01 --usage 1");
    int vendor = image.Plug(L"--usage-page 0xFF00 --usage 1");
    int other = image.Plug(L"--vid 0x046D --pid 0xC52B --usage-page 0xFF01 --usage 1");
    image.SetSensor("61.2");
    Start();
    auto frames = WaitForFrame(display, FrameHex(0, 6, 1));
    ASSERT_TRUE(Contains(frames, FrameHex(0, 6, 1)));
    Sleep(1500);
    EXPECT_TRUE(image.Frames(keyboard).empty());
    EXPECT_TRUE(image.Frames(vendor).empty());
    EXPECT_TRUE(image.Frames(other).empty()) << "another product with the same usage";
}

TEST_F(CoreJob, FramesStartWhenTheServerStartsPublishing)
{
    int display = image.Plug();
    image.SetSensor(""); // nothing to publish yet
    Start();
    Sleep(6000);
    EXPECT_TRUE(image.Frames(display).empty()) << "frames before the server published";
    image.SetSensor("52");
    auto frames = WaitForFrame(display, FrameHex(0, 5, 2));
    EXPECT_TRUE(Contains(frames, FrameHex(0, 5, 2)));
}
