// The product's core job end to end: the real Tovrin.exe from a copy of the install
// image, our hardware-monitor server fed through its sensor file, and simulated
// displays recording every report they receive.
#include <gtest/gtest.h>

#include <windows.h>
#include <string>
#include <vector>

#include "../support/Image.h"
#include "../support/Processes.h"
#include "../support/TestPaths.h"
#include "app/Startup.h"
#include "temperature/SharedRecord.h"

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

// The temperature in the shared record right now, as Tovrin would read it.
float PublishedTemperature()
{
    HANDLE mapping = OpenFileMappingA(FILE_MAP_READ, FALSE, kSharedRecordName);
    if (!mapping) return -1.0f;
    float value = -1.0f;
    if (const void* view = MapViewOfFile(mapping, FILE_MAP_READ, 0, 0, kSharedRecordBytes)) {
        value = ReadRecordFloat(view, kCpuTemperatureOffset);
        UnmapViewOfFile(view);
    }
    CloseHandle(mapping);
    return value;
}

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
    ASSERT_TRUE(WaitFor([] { return PublishedTemperature() == 0.0f; }, 30000));
    Sleep(1500); // a frame already on its way when the 0 came
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

TEST_F(CoreJob, DisplayPluggedWhileRunningGetsFrames)
{
    image.SetSensor("41");
    Start();
    ASSERT_TRUE(WaitFor([] { return PublishedTemperature() == 41.0f; }, 30000));
    Sleep(2000); // running, with no display yet
    int display = image.Plug(); // the arrival reaches Tovrin's window and queues a rescan
    ASSERT_GE(display, 0);
    auto frames = WaitForFrame(display, FrameHex(0, 4, 1));
    EXPECT_TRUE(Contains(frames, FrameHex(0, 4, 1)));
}

TEST_F(CoreJob, LeftoverServerIsEndedAtStartAndCloseEndsEverything)
{
    // A server left over from an earlier run (a stand-in that only waits).
    std::wstring leftover = image.Folder() + L"leftover\\";
    CreateDirectoryW(leftover.c_str(), nullptr);
    ASSERT_TRUE(CopyFileW((TestBinFolder() + L"support\\sleeper.exe").c_str(),
                          (leftover + L"OPENHARDWAREMONITORSERVER.EXE").c_str(), FALSE));
    ChildProcess stale = StartProcess(leftover + L"OPENHARDWAREMONITORSERVER.EXE");
    ASSERT_TRUE(stale.Running());

    int display = image.Plug();
    image.SetSensor("58");
    Start();
    EXPECT_EQ(stale.WaitExit(30000), 0u) << "the leftover server was not ended at start-up";
    auto frames = WaitForFrame(display, FrameHex(0, 5, 8));
    ASSERT_TRUE(Contains(frames, FrameHex(0, 5, 8))) << "our own server runs";

    // A close request from outside (as a non-forced task end sends it) ends Tovrin the
    // orderly way, and the server with it.
    HWND window = FindTovrinWindow();
    ASSERT_NE(window, nullptr);
    PostMessageW(window, WM_CLOSE, 0, 0);
    EXPECT_EQ(tovrin.WaitExit(15000), 1u);
    EXPECT_TRUE(WaitFor([] { return CountProcessesNamed(L"OpenHardwareMonitorServer.exe") == 0; }, 10000));
    EXPECT_FALSE(InstanceMutexExists());
}

// An image in a folder whose name has a blank; a program planted where Windows would
// look first for an unquoted command line must never start.
class CoreJobInFolderWithBlank : public ::testing::Test {};

TEST_F(CoreJobInFolderWithBlank, ServerStartsFromItsFullPath)
{
    ASSERT_FALSE(InstanceMutexExists());
    SimulatedImage image(L"planted here");
    std::wstring parent = image.Folder().substr(0, image.Folder().rfind(L'\\', image.Folder().size() - 2) + 1);
    std::wstring planted = parent + L"planted.exe";
    ASSERT_TRUE(CopyFileW((TestBinFolder() + L"support\\sleeper.exe").c_str(), planted.c_str(), FALSE));

    int display = image.Plug();
    image.SetSensor("33");
    ChildProcess tovrin = image.StartTovrin();
    std::vector<SimulatedImage::Frame> frames;
    bool shown = WaitFor(
        [&] {
            frames = image.Frames(display);
            return !frames.empty() && frames.back().hex == FrameHex(0, 3, 3);
        },
        30000);
    EXPECT_TRUE(shown) << "the server did not start from a folder with a blank";
    EXPECT_EQ(CountProcessesNamed(L"planted.exe"), 0) << "a planted program ran in the server's place";
    EXPECT_EQ(QuitTovrin(tovrin), 1u);
    while (CountProcessesNamed(L"planted.exe") > 0) KillProcessByName(L"planted.exe");
    DeleteFileW(planted.c_str());
}
