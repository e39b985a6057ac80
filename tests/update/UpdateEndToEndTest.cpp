// A whole update seen from outside: the real worker in a separate process (the driver
// standing in for the panel), the local HTTPS server, the work folder, and the exit of
// the process once the package's program runs.
#include <gtest/gtest.h>

#include <windows.h>
#include <algorithm>
#include <memory>
#include <string>
#include <vector>

#include "../archive/ZipBuilder.h"
#include "../support/Image.h"
#include "../support/Processes.h"
#include "../support/TestPaths.h"
#include "Packages.h"
#include "TestServer.h"
#include "update/PackageUpdate.h"

namespace {

bool FileExists(const std::wstring& path) { return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

std::string Narrow(const std::wstring& s) { return std::string(s.begin(), s.end()); }

class UpdateEndToEnd : public testing::Test {
protected:
    static void SetUpTestSuite() { ASSERT_TRUE(TrustTestCertificate()); }
    void SetUp() override
    {
        base = TestServerBaseUrl();
        ASSERT_FALSE(base.empty()) << "the update server fixture is not running";
        scratch = MakeTempFolder(L"update-e2e");
        record = scratch + L"record.txt";
        PlaceDriver(scratch);
    }
    // The driver stands where Tovrin.exe would, with update.url beside it.
    void PlaceDriver(const std::wstring& folder)
    {
        programFolder = folder;
        driver = folder + L"update-driver.exe";
        ASSERT_TRUE(CopyFileW((TestBinFolder() + L"support\\update-driver.exe").c_str(), driver.c_str(), FALSE));
    }
    void TearDown() override { RemoveTree(scratch); }

    void UpdateUrlFile(const std::string& line) { ASSERT_TRUE(WriteWholeFile(programFolder + L"update.url", line)); }
    std::vector<std::string> Lines() const
    {
        std::vector<std::string> lines;
        std::string text = ReadWholeFile(record);
        for (std::size_t start = 0; start < text.size();) {
            std::size_t end = text.find('\n', start);
            if (end == std::string::npos) end = text.size();
            lines.push_back(text.substr(start, end - start));
            start = end + 1;
        }
        return lines;
    }
    bool Has(const std::string& line) const
    {
        auto lines = Lines();
        return std::find(lines.begin(), lines.end(), line) != lines.end();
    }
    std::string Dump() const
    {
        std::string all;
        for (const auto& l : Lines()) all += "  " + l + "\n";
        return all;
    }
    ChildProcess Run(const std::wstring& tasks) { return StartProcess(driver, L"\"" + record + L"\" " + tasks); }
    void ServePackage(const std::string& version, bool firmware = false)
    {
        std::string name = (firmware ? "FirmwareUpdateTool-" : "Software-") + version;
        std::string package = PackageWithProgram(name + ".exe", scratch);
        ASSERT_FALSE(package.empty());
        ASSERT_TRUE(PutServerFile(std::string("display-580/580R/") + (firmware ? "firmware/" : "software/") + name + ".zip",
                                  package));
    }
    int CountBoxes() const
    {
        auto lines = Lines();
        return int(std::count_if(lines.begin(), lines.end(), [](const std::string& l) { return l.rfind("box ", 0) == 0; }));
    }

    std::wstring base, scratch, programFolder, driver, record;
};

// The driver in a copy of the install image whose HID library is the display
// simulator: the firmware checks ask a simulated display for its version.
class FirmwareEndToEnd : public UpdateEndToEnd {
protected:
    void SetUp() override
    {
        UpdateEndToEnd::SetUp();
        image = std::make_unique<SimulatedImage>();
        std::wstring tovrin = image->TovrinExe();
        PlaceDriver(tovrin.substr(0, tovrin.size() - std::wstring(L"Tovrin.exe").size()));
        UpdateUrlFile(Narrow(base));
    }
    void TearDown() override
    {
        image.reset();
        UpdateEndToEnd::TearDown();
    }
    std::unique_ptr<SimulatedImage> image;
};

const std::string kFirmwareVersionFile = "display-580/580R/firmware/version";

const std::string kVersionFile = "display-580/580R/software/version";

} // namespace

TEST_F(UpdateEndToEnd, AcceptedUpdateStartsTheInstallerAndEndsTovrin)
{
    const std::wstring folder = PackageFolder();
    DeleteFileW((folder + L"Software-1.0.7.2.exe.ran").c_str());
    ASSERT_TRUE(PutServerFile(kVersionFile, "1.0.7.2"));
    ServePackage("1.0.7.2");
    UpdateUrlFile(Narrow(base) + "\r\n");

    ChildProcess tovrin = Run(L"3");
    ASSERT_TRUE(tovrin.process);
    EXPECT_EQ(tovrin.WaitExit(120000), 0u) << Dump();
    EXPECT_TRUE(WaitFor([&] { return FileExists(folder + L"Software-1.0.7.2.exe.ran"); }, 30000));

    EXPECT_TRUE(Has("base " + Narrow(base) + "/display-580/580R/software/")) << Dump();
    EXPECT_TRUE(Has("box Software Updates | Detected the latest version:v1.0.7.2, update now? | 4 -> 1")) << Dump();
    EXPECT_TRUE(Has("queued 7")) << Dump();
    EXPECT_TRUE(Has("progress 100")) << Dump();
    EXPECT_FALSE(Has("task 7 returned")) << "the download task ends the process\n" << Dump();
    EXPECT_FALSE(FileExists(folder + L"Software-1.0.7.2.zip"));
}

TEST_F(UpdateEndToEnd, MissingPackageKeepsTovrinRunning)
{
    ASSERT_TRUE(PutServerFile(kVersionFile, "1.0.7.3"));
    RemoveServerFile("display-580/580R/software/Software-1.0.7.3.zip");
    UpdateUrlFile(Narrow(base));

    ChildProcess tovrin = Run(L"3");
    ASSERT_TRUE(tovrin.process);
    ASSERT_TRUE(WaitFor([&] { return Has("task 7 returned"); }, 120000)) << Dump();
    EXPECT_TRUE(tovrin.Running());
    EXPECT_TRUE(Has("box Software Updates | Detected the latest version:v1.0.7.3, update now? | 4 -> 1")) << Dump();
    EXPECT_FALSE(Has("progress 100")) << Dump();
    EXPECT_FALSE(FileExists(PackageFolder() + L"Software-1.0.7.3.zip"));
}

TEST_F(UpdateEndToEnd, SilentCheckPostsNothingWhenCurrent)
{
    ASSERT_TRUE(PutServerFile(kVersionFile, "1.0.0.5"));
    UpdateUrlFile(Narrow(base));
    ChildProcess tovrin = Run(L"5 3");
    ASSERT_TRUE(WaitFor([&] { return Has("task 3 returned"); }, 120000)) << Dump();
    EXPECT_EQ(CountBoxes(), 1) << Dump();
    EXPECT_TRUE(Has("box Software Updates | The software is the latest version! | 0 -> 1")) << Dump();
}

TEST_F(UpdateEndToEnd, BaseUrlComesFromTheFileBesideTheProgramOnly)
{
    struct Case {
        const char* file; // nullptr: no update.url
        std::string base;
    } cases[] = {
        {nullptr, TOVRIN_BUILT_IN_UPDATE_URL},
        {"http://127.0.0.1:1", TOVRIN_BUILT_IN_UPDATE_URL},
        {"https://mirror.example/updates/\n", "https://mirror.example/updates"},
    };
    for (const auto& c : cases) {
        DeleteFileW((scratch + L"update.url").c_str());
        DeleteFileW(record.c_str());
        if (c.file) UpdateUrlFile(c.file);
        // The environment names another server: it must not matter.
        SetEnvironmentVariableW(L"TOVRIN_UPDATE_URL", L"https://attacker.example");
        ChildProcess tovrin = Run(L"");
        SetEnvironmentVariableW(L"TOVRIN_UPDATE_URL", nullptr);
        ASSERT_TRUE(WaitFor([&] { return !Lines().empty(); }, 60000));
        EXPECT_EQ(Lines().front(), "base " + c.base + "/display-580/580R/software/") << (c.file ? c.file : "no file");
    }
}

TEST_F(FirmwareEndToEnd, NewerFirmwareIsOfferedAndItsToolStarted)
{
    const std::wstring folder = PackageFolder();
    DeleteFileW((folder + L"FirmwareUpdateTool-106.exe.ran").c_str());
    ASSERT_EQ(image->Plug(L"--firmware 261"), 0); // 0x0105
    ASSERT_TRUE(PutServerFile(kFirmwareVersionFile, "106"));
    ServePackage("106", true);

    ChildProcess tovrin = Run(L"1 4");
    ASSERT_TRUE(tovrin.process);
    EXPECT_EQ(tovrin.WaitExit(120000), 0u) << Dump();
    EXPECT_TRUE(WaitFor([&] { return FileExists(folder + L"FirmwareUpdateTool-106.exe.ran"); }, 30000));
    EXPECT_TRUE(Has("box Firmware Updates | Detected the latest version:v106, update now? | 4 -> 1")) << Dump();
    EXPECT_TRUE(Has("queued 8")) << Dump();
    EXPECT_FALSE(Has("task 8 returned")) << Dump();
}

TEST_F(FirmwareEndToEnd, CurrentFirmwareOrNoDisplayIsUpToDate)
{
    ASSERT_TRUE(PutServerFile(kFirmwareVersionFile, "106"));
    ASSERT_EQ(image->Plug(L"--firmware 262"), 0); // 0x0106
    for (bool plugged : {true, false}) {
        if (!plugged) {
            ASSERT_EQ(image->DisplaySim(L"unplug 0"), 0);
        }
        DeleteFileW(record.c_str());
        ChildProcess tovrin = Run(L"1 6 4");
        ASSERT_TRUE(WaitFor([&] { return Has("task 4 returned"); }, 120000)) << Dump();
        // The silent check said nothing; the one on demand says it is current.
        EXPECT_EQ(CountBoxes(), 1) << Dump();
        EXPECT_TRUE(Has("box Firmware Updates | The Firmware is the latest version! | 0 -> 1"))
            << (plugged ? "display 0x0106" : "no display") << "\n" << Dump();
        EXPECT_TRUE(tovrin.Running());
    }
}
