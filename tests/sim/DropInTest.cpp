// The stand-in replaces the real DLL under a program linked against the real import
// library: the program drives the simulated displays without knowing.
#include <gtest/gtest.h>

#include <string>

#include "../support/TestPaths.h"
#include "SimTestSupport.h"

TEST(SimDropIn, ProgramLinkedAgainstHidapiDrivesSimulatedDisplays)
{
    ScopedStateFolder state;
    // The program beside the stand-in, as in a copy of the install image.
    std::wstring image = MakeTempFolder(L"sim image");
    ASSERT_TRUE(
        CopyFileW((TestBinFolder() + L"support\\simclient.exe").c_str(), (image + L"simclient.exe").c_str(), FALSE));
    ASSERT_TRUE(CopyFileW(SimHidapiDll().c_str(), (image + L"hidapi.dll").c_str(), FALSE));

    ToolRun none = RunTool(image + L"simclient.exe", L"0 4 2");
    EXPECT_EQ(none.exitCode, 0u) << none.err;
    EXPECT_EQ(Lines(none.out), std::vector<std::string>{"0 displays"});

    ASSERT_EQ(Plug(L"--usage-page 0x0001 --usage 6"), 0); // another part of the same device
    ASSERT_EQ(Plug(L"--interface 1 --firmware 0x010A"), 1);
    ASSERT_EQ(Plug(L"--vid 0x1A2D"), 2); // not a display
    ASSERT_EQ(Plug(L"--firmware 0x0200"), 3);
    ToolRun run = RunTool(image + L"simclient.exe", L"0 4 2");
    ASSERT_EQ(run.exitCode, 0u) << run.err;
    std::vector<std::string> lines = Lines(run.out);
    ASSERT_EQ(lines.size(), 4u) << run.out;
    EXPECT_EQ(lines[0], "display \\\\?\\HID#VID_1A2C&PID_4284&MI_01#sim&1#{4d1e55b2-f16f-11cf-88cb-001111000030} "
                        "product=Digital Display release=0x010a sent=65");
    EXPECT_EQ(lines[1], "version 0x010a");
    EXPECT_NE(lines[2].find("#sim&3#"), std::string::npos) << lines[2];
    EXPECT_EQ(lines[3], "2 displays");

    std::string frame = "07ffff000402" + std::string(118, '0');
    for (int index : {1, 3}) {
        std::vector<std::string> frames = Lines(RunSim(L"frames " + std::to_wstring(index)).out);
        ASSERT_FALSE(frames.empty()) << index;
        EXPECT_EQ(frames[0].substr(frames[0].find(' ') + 1), frame);
    }
    EXPECT_EQ(Lines(RunSim(L"frames 1").out).size(), 2u); // the frame and the version query
    EXPECT_TRUE(RunSim(L"frames 0").out.empty());
    EXPECT_TRUE(RunSim(L"frames 2").out.empty());
    RemoveTree(image);
}
