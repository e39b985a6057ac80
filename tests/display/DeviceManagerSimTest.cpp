// The device manager and the two exchanges against simulated displays. This program
// runs beside the simulator's hidapi.dll, so the manager's real hidapi calls reach
// simulated interfaces that displaysim plugs and inspects.
#include <gtest/gtest.h>

#include <windows.h>
#include <sstream>
#include <string>
#include <vector>

#include "../support/Processes.h"
#include "../support/TestPaths.h"
#include "display/DeviceManager.h"

namespace {

class SimulatedDisplays : public ::testing::Test {
protected:
    void SetUp() override
    {
        m_state = MakeTempFolder(L"displays");
        SetEnvironmentVariableW(L"TOVRIN_DISPLAY_SIM", m_state.c_str());
        DeviceManager::Instance().Rescan(); // starts from no display
    }
    void TearDown() override
    {
        DeviceManager::Instance().CloseAll();
        SetEnvironmentVariableW(L"TOVRIN_DISPLAY_SIM", nullptr);
        RemoveTree(m_state);
    }

    std::string Sim(const std::wstring& args)
    {
        int code = -1;
        std::string out = RunAndCapture(TestBinFolder() + L"..\\..\\sim\\displaysim.exe", args, &code);
        EXPECT_EQ(code, 0) << out;
        return out;
    }
    int Plug(const std::wstring& options = L"") { return std::atoi(Sim(L"plug " + options).c_str()); }
    std::vector<std::string> Reports(int index)
    {
        std::istringstream lines(Sim(L"frames " + std::to_wstring(index)));
        std::vector<std::string> reports;
        for (std::string line; std::getline(lines, line);)
            if (line.find(' ') != std::string::npos) reports.push_back(line.substr(line.find(' ') + 1));
        return reports;
    }

    std::wstring m_state;
};

const std::string kQueryHex = "07fd" + std::string(124, '0'); // 64 bytes

} // namespace

TEST_F(SimulatedDisplays, FirmwareVersionOfTheFirstDisplay)
{
    struct Case {
        const wchar_t* options;
        int result, version, reads;
    } cases[] = {
        {L"--firmware 0x010A", 1, 266, 1},
        {L"--firmware 0x0106 --bad-first-reply", 1, 262, 2}, // the second, valid reply counts
        {L"--firmware 0x0105 --no-reply", 0, -1, 0},          // no answer: no version
    };
    for (const Case& c : cases) {
        int display = Plug(c.options);
        DeviceManager::Instance().Rescan();
        ASSERT_EQ(DeviceManager::Instance().DisplayCount(), 1) << c.options;
        int version = -1;
        EXPECT_EQ(DeviceManager::Instance().QueryFirmwareVersion(&version), c.result) << c.options;
        EXPECT_EQ(version, c.version) << c.options;
        auto reports = Reports(display);
        ASSERT_FALSE(reports.empty());
        EXPECT_EQ(reports.back(), kQueryHex) << "the request is written with 64 bytes";
        Sim(L"unplug " + std::to_wstring(display));
    }
    DeviceManager::Instance().Rescan();
    int version = -1;
    EXPECT_EQ(DeviceManager::Instance().QueryFirmwareVersion(&version), 0) << "no display";
    EXPECT_EQ(version, -1);
}

TEST_F(SimulatedDisplays, OnlyTheFirstDisplayIsQueried)
{
    int first = Plug(L"--firmware 0x0105");
    int second = Plug(L"--firmware 0x0200");
    DeviceManager::Instance().Rescan();
    int version = -1;
    ASSERT_EQ(DeviceManager::Instance().QueryFirmwareVersion(&version), 1);
    EXPECT_EQ(version, 0x0105);
    EXPECT_EQ(Reports(first).size(), 1u);
    EXPECT_TRUE(Reports(second).empty());
}

TEST_F(SimulatedDisplays, FramesGoToEveryDisplayInListOrder)
{
    int a = Plug();
    int b = Plug();
    int c = Plug();
    DeviceManager::Instance().Rescan();
    ASSERT_EQ(DeviceManager::Instance().DisplayCount(), 3);
    const auto& displays = DeviceManager::Instance().Displays();
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(displays[i]->index, i);
        EXPECT_EQ(displays[i]->vendorId, 0x1A2C);
        EXPECT_EQ(displays[i]->productId, 0x4284);
        EXPECT_EQ(displays[i]->releaseNumber, 0x0105);
    }
    EXPECT_TRUE(DeviceManager::Instance().SendToAll(BuildTemperatureFrame(0, 9, 8)));
    const std::string hex = "07ffff000908" + std::string(118, '0');
    for (int display : {a, b, c}) EXPECT_EQ(Reports(display), std::vector<std::string>{hex});
    std::string order = Sim(L"arrivals");
    EXPECT_EQ(order, std::to_string(a) + "\n" + std::to_string(b) + "\n" + std::to_string(c) + "\n");

    // One unplugged: the next frame reaches the others; a rescan renumbers them.
    Sim(L"unplug " + std::to_wstring(a));
    EXPECT_TRUE(DeviceManager::Instance().SendToAll(BuildTemperatureFrame(0, 9, 9)));
    EXPECT_EQ(Reports(a).size(), 1u);
    EXPECT_EQ(Reports(b).size(), 2u);
    DeviceManager::Instance().Rescan();
    ASSERT_EQ(DeviceManager::Instance().DisplayCount(), 2);
    EXPECT_EQ(DeviceManager::Instance().Displays()[0]->index, 0);
    EXPECT_NE(DeviceManager::Instance().Displays()[0]->path.find("VID_1A2C&PID_4284"), std::string::npos);
}

TEST_F(SimulatedDisplays, CompositeDeviceAndOtherProducts)
{
    Plug(L"--usage-page 0x0001 --usage 6");
    int display = Plug(L"--usage-page 0xFF01 --usage 1");
    Plug(L"--usage-page 0xFF00 --usage 1");
    Plug(L"--usage-page 0xFF01 --usage 2");
    Plug(L"--vid 0x1A2C --pid 0x4285");
    DeviceManager::Instance().Rescan();
    ASSERT_EQ(DeviceManager::Instance().DisplayCount(), 1);
    EXPECT_NE(DeviceManager::Instance().Displays()[0]->path.find("#sim&" + std::to_string(display)),
              std::string::npos);
    EXPECT_EQ(DeviceManager::Instance().Displays()[0]->productName, L"Digital Display");
}
