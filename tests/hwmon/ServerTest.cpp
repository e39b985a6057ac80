// The installed server program, run for real: it publishes into the named record that
// Tovrin maps, from a sensor file or a fake sysfs tree.
#include <gtest/gtest.h>

#include <windows.h>
#include <cmath>
#include <cstring>
#include <string>
#include <vector>

#include "../support/Processes.h"
#include "../support/TestPaths.h"
#include "FakeTree.h"
#include "HandleCount.h"
#include "server/Server.h"

namespace {

constexpr DWORD kPatience = 20000; // ms; only a bound for waiting, never a measurement

std::wstring ServerExe() { return DistFolder() + L"HardwareMonitor\\OpenHardwareMonitorServer.exe"; }

// The record seen the way Tovrin sees it: a read-only view of the named block.
class RecordView {
public:
    // Creates the block when nobody has, as Tovrin does.
    static RecordView CreateLikeTovrin()
    {
        RecordView view;
        view.mapping_ =
            CreateFileMappingA(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0, 584, "quvane_hardware_mapfile");
        view.MapIt();
        return view;
    }
    // Only once the server has created it.
    static RecordView OpenExisting()
    {
        RecordView view;
        view.mapping_ = OpenFileMappingA(FILE_MAP_READ, FALSE, "quvane_hardware_mapfile");
        view.MapIt();
        return view;
    }
    RecordView() = default;
    RecordView(RecordView&& o) noexcept { *this = std::move(o); }
    RecordView& operator=(RecordView&& o) noexcept
    {
        std::swap(mapping_, o.mapping_);
        std::swap(view_, o.view_);
        return *this;
    }
    ~RecordView()
    {
        if (view_) UnmapViewOfFile(view_);
        if (mapping_) CloseHandle(mapping_);
    }
    bool Valid() const { return view_ != nullptr; }

    float At(std::size_t offset) const
    {
        // Another process writes it: read memory each time.
        return *reinterpret_cast<const volatile float*>(static_cast<const unsigned char*>(view_) + offset);
    }
    float Temperature() const { return At(152); }
    float Indicator() const { return At(156); }
    std::string Name(std::size_t offset) const
    {
        const char* name = static_cast<const char*>(view_) + offset;
        return std::string(name, strnlen(name, 136));
    }
    unsigned char Byte(std::size_t offset) const { return static_cast<const unsigned char*>(view_)[offset]; }

private:
    void MapIt()
    {
        if (mapping_) view_ = MapViewOfFile(mapping_, FILE_MAP_READ, 0, 0, 584);
    }
    HANDLE mapping_ = nullptr;
    const void* view_ = nullptr;
};

bool RecordExists()
{
    HANDLE mapping = OpenFileMappingA(FILE_MAP_READ, FALSE, "quvane_hardware_mapfile");
    if (!mapping) return false;
    CloseHandle(mapping);
    return true;
}

// Sets an environment variable of this process (children inherit it) for one scope.
class ScopedVariable {
public:
    ScopedVariable(const wchar_t* name, const std::wstring& value) : name_(name)
    {
        SetEnvironmentVariableW(name, value.c_str());
    }
    ~ScopedVariable() { SetEnvironmentVariableW(name_, nullptr); }

private:
    const wchar_t* name_;
};

class ServerRun : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_FALSE(RecordExists()) << "another process holds the record";
        folder_ = MakeTempFolder(L"hwmon-run");
        work_ = folder_ + L"work\\";
        CreateDirectoryW(work_.c_str(), nullptr);
        sensorFile_ = folder_ + L"sensor.txt";
    }
    void TearDown() override
    {
        for (ChildProcess& server : servers_) {
            if (server.Running()) TerminateProcess(server.process, 0);
            server.WaitExit(5000);
        }
        servers_.clear();
        RemoveTree(folder_);
    }

    // Starts the installed server the way Tovrin does: no arguments, inherited
    // environment, in the given working folder.
    ChildProcess& StartServer()
    {
        servers_.push_back(StartProcess(ServerExe(), L"", 0, work_.c_str()));
        EXPECT_TRUE(servers_.back().process) << "cannot start the server, error " << GetLastError();
        return servers_.back();
    }
    void WriteSensor(const std::string& text) { WriteTextFile(folder_, "sensor.txt", text); }
    // A fake /sys in the test folder; its Windows path.
    std::wstring MakeSysTree(const FakeFiles& files)
    {
        std::wstring sys = folder_ + L"sys\\";
        CreateDirectoryW(sys.c_str(), nullptr);
        MakeFakeTree(sys, files);
        return sys;
    }

    std::wstring folder_, work_, sensorFile_;
    std::vector<ChildProcess> servers_;
};

} // namespace

namespace {

// Hands out prepared readings; "no reading" where the script says so.
class ScriptedSource : public SensorSource {
public:
    explicit ScriptedSource(std::vector<float> script) : script_(std::move(script)) {}
    bool Read(TemperatureReading& reading) override
    {
        float next = script_.at(step_++);
        if (std::isnan(next)) return false;
        reading = {next, next + 1.0f};
        return true;
    }

private:
    std::vector<float> script_;
    std::size_t step_ = 0;
};

} // namespace

TEST(Publisher, PublishesFreshReadingsOnlyAndCountsThem)
{
    RecordView record = RecordView::CreateLikeTovrin();
    ASSERT_TRUE(record.Valid());
    struct Step {
        float reading; // NAN: the source has nothing
        float temperature, indicator, coreMax;
    };
    const Step steps[] = {
        {NAN, 0, 0, 0},      {NAN, 0, 0, 0},      {40.5f, 40.5f, 1, 41.5f}, {NAN, 40.5f, 1, 41.5f},
        {NAN, 40.5f, 1, 41.5f}, {41.0f, 41.0f, 2, 42.0f}, {-3.5f, -3.5f, 3, -2.5f},
    };
    std::vector<float> script;
    for (const Step& step : steps) script.push_back(step.reading);
    ScriptedSource source(script);
    Publisher publisher;
    for (const Step& step : steps) {
        publisher.Tick(source);
        ASSERT_TRUE(publisher.Attached());
        EXPECT_EQ(record.Temperature(), step.temperature) << "step " << (&step - steps);
        EXPECT_EQ(record.Indicator(), step.indicator) << "step " << (&step - steps);
        EXPECT_EQ(record.At(296), step.temperature) << "step " << (&step - steps);
        EXPECT_EQ(record.At(440), step.coreMax) << "step " << (&step - steps);
    }
    EXPECT_EQ(record.Name(160), "CPU Package");
    EXPECT_EQ(record.Name(304), "CPU Core Max");
}

TEST(Publisher, ForgetsWhatAnEarlierServerLeftInTheBlock)
{
    RecordView record = RecordView::CreateLikeTovrin();
    {
        ScriptedSource earlier({70.0f});
        Publisher first;
        first.Tick(earlier);
        ASSERT_EQ(record.Temperature(), 70.0f);
    }
    ScriptedSource nothing({NAN});
    Publisher second;
    second.Tick(nothing);
    EXPECT_EQ(record.Indicator(), 0.0f);
    EXPECT_EQ(record.Temperature(), 0.0f);
    EXPECT_EQ(record.Name(160), "");
    EXPECT_EQ(record.Name(304), "");
}

TEST(ServerImage, BothFoldersHoldTheSameWindowlessGuiProgram)
{
    std::vector<std::string> images;
    for (const wchar_t* sub : {L"HardwareMonitor\\", L"HardwareMonitorWin7\\"}) {
        std::wstring path = DistFolder() + sub + L"OpenHardwareMonitorServer.exe";
        HANDLE file = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
        ASSERT_NE(file, INVALID_HANDLE_VALUE) << "missing " << std::string(path.begin(), path.end());
        std::string bytes(GetFileSize(file, nullptr), '\0');
        DWORD read = 0;
        ReadFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &read, nullptr);
        CloseHandle(file);
        ASSERT_EQ(read, bytes.size());
        images.push_back(bytes);
    }
    EXPECT_EQ(images[0], images[1]);

    // GUI subsystem: Tovrin's plain CreateProcessW opens no console for it.
    const std::string& image = images[0];
    ASSERT_GT(image.size(), 0x200u);
    LONG peOffset = reinterpret_cast<const IMAGE_DOS_HEADER*>(image.data())->e_lfanew;
    const auto* headers = reinterpret_cast<const IMAGE_NT_HEADERS64*>(image.data() + peOffset);
    ASSERT_EQ(headers->Signature, static_cast<DWORD>(IMAGE_NT_SIGNATURE));
    EXPECT_EQ(headers->OptionalHeader.Subsystem, IMAGE_SUBSYSTEM_WINDOWS_GUI);
}

TEST_F(ServerRun, PublishesTheSensorFileAndFollowsIt)
{
    ScopedVariable sensor(L"TOVRIN_SENSOR_FILE", sensorFile_);
    WriteSensor("37.9\n");
    ChildProcess& server = StartServer();

    // The server creates the block itself here.
    ASSERT_TRUE(WaitFor([] { return RecordExists(); }, kPatience));
    RecordView record = RecordView::OpenExisting();
    ASSERT_TRUE(record.Valid());
    ASSERT_TRUE(WaitFor([&] { return record.Indicator() > 0; }, kPatience));
    EXPECT_FLOAT_EQ(record.Temperature(), 37.9f);
    EXPECT_EQ(record.Name(160), "CPU Package");
    EXPECT_FLOAT_EQ(record.At(296), 37.9f);
    EXPECT_EQ(record.Name(304), "CPU Core Max");
    EXPECT_FLOAT_EQ(record.At(440), 37.9f);
    for (std::size_t i = 0; i < 584; ++i)
        if (i < 152 || (i >= 300 && i < 304) || i >= 444) {
            EXPECT_EQ(record.Byte(i), 0) << "byte " << i;
        }

    float before = record.Indicator();
    WriteSensor("41.25");
    ASSERT_TRUE(WaitFor([&] { return record.Temperature() == 41.25f; }, kPatience));
    EXPECT_FLOAT_EQ(record.At(296), 41.25f);
    EXPECT_FLOAT_EQ(record.At(440), 41.25f);
    EXPECT_GT(record.Indicator(), before);
    WriteSensor("-3.5");
    ASSERT_TRUE(WaitFor([&] { return record.Temperature() == -3.5f; }, kPatience));

    EXPECT_TRUE(server.Running());
    // Runs in the folder it inherits and leaves no files of its own there.
    WIN32_FIND_DATAW found;
    HANDLE find = FindFirstFileW((work_ + L"*").c_str(), &found);
    ASSERT_NE(find, INVALID_HANDLE_VALUE);
    std::vector<std::wstring> entries;
    do
        if (std::wstring(found.cFileName) != L"." && std::wstring(found.cFileName) != L"..")
            entries.push_back(found.cFileName);
    while (FindNextFileW(find, &found));
    FindClose(find);
    EXPECT_TRUE(entries.empty()) << "the server wrote into its working folder";
}

TEST_F(ServerRun, IndicatorStaysZeroUntilTheFileAppearsInABlockTovrinCreated)
{
    // Tovrin may map the block before it starts the server.
    RecordView record = RecordView::CreateLikeTovrin();
    ASSERT_TRUE(record.Valid());
    ScopedVariable sensor(L"TOVRIN_SENSOR_FILE", sensorFile_);
    ChildProcess& server = StartServer();

    Sleep(3000);
    EXPECT_TRUE(server.Running());
    EXPECT_EQ(record.Indicator(), 0.0f);
    EXPECT_EQ(record.Temperature(), 0.0f);

    WriteSensor("50");
    ASSERT_TRUE(WaitFor([&] { return record.Indicator() > 0; }, kPatience)) << "nothing published into our block";
    EXPECT_FLOAT_EQ(record.Temperature(), 50.0f);
}

TEST_F(ServerRun, NoNumberMeansNoPublication)
{
    RecordView record = RecordView::CreateLikeTovrin();
    ScopedVariable sensor(L"TOVRIN_SENSOR_FILE", sensorFile_);
    WriteSensor("warm");
    StartServer();
    Sleep(3000);
    EXPECT_EQ(record.Indicator(), 0.0f) << "published before any number";
    EXPECT_EQ(record.Temperature(), 0.0f);

    WriteSensor("60");
    ASSERT_TRUE(WaitFor([&] { return record.Temperature() == 60.0f && record.Indicator() > 0; }, kPatience));

    // After a good reading, garbage and a missing file keep the last values, and the
    // indicator stops counting: nothing new is published.
    auto holdsStill = [&](const char* what) {
        Sleep(1500); // a reading begun before the change may still land
        float indicator = record.Indicator();
        Sleep(3000);
        EXPECT_EQ(record.Indicator(), indicator) << what;
        EXPECT_GT(record.Indicator(), 0.0f) << what;
        EXPECT_FLOAT_EQ(record.Temperature(), 60.0f) << what;
        EXPECT_FLOAT_EQ(record.At(296), 60.0f) << what;
    };
    WriteSensor("n/a\n");
    holdsStill("garbage");
    ASSERT_TRUE(DeleteFileW(sensorFile_.c_str()));
    holdsStill("missing file");

    float indicator = record.Indicator();
    WriteSensor("61");
    ASSERT_TRUE(WaitFor([&] { return record.Temperature() == 61.0f; }, kPatience));
    EXPECT_GT(record.Indicator(), indicator);
}

TEST_F(ServerRun, OneCopyPublishesWhateverTheStarts)
{
    ScopedVariable sensor(L"TOVRIN_SENSOR_FILE", sensorFile_);
    WriteSensor("44");
    // Three at once, as overlapping watchdog starts may do.
    for (int i = 0; i < 3; ++i) StartServer();
    auto running = [&] {
        int count = 0;
        for (ChildProcess& server : servers_) count += server.Running() ? 1 : 0;
        return count;
    };
    ASSERT_TRUE(WaitFor([&] { return running() == 1; }, kPatience)) << running() << " copies still run";
    for (ChildProcess& server : servers_)
        if (!server.Running()) {
            EXPECT_EQ(server.WaitExit(0), 0u);
        }

    ASSERT_TRUE(WaitFor([] { return RecordExists(); }, kPatience));
    RecordView record = RecordView::OpenExisting();
    ASSERT_TRUE(WaitFor([&] { return record.Indicator() > 0; }, kPatience));
    EXPECT_FLOAT_EQ(record.Temperature(), 44.0f);

    // A later start leaves at once and the publisher carries on.
    ChildProcess& late = StartServer();
    EXPECT_EQ(late.WaitExit(kPatience), 0u);
    float indicator = record.Indicator();
    WriteSensor("45.5");
    ASSERT_TRUE(WaitFor([&] { return record.Temperature() == 45.5f; }, kPatience));
    EXPECT_GT(record.Indicator(), indicator);
    EXPECT_EQ(running(), 1);
}

TEST_F(ServerRun, ARestartedServerTakesOverTheBlock)
{
    RecordView record = RecordView::CreateLikeTovrin();
    ScopedVariable sensor(L"TOVRIN_SENSOR_FILE", sensorFile_);
    WriteSensor("45");
    ChildProcess& first = StartServer();
    ASSERT_TRUE(WaitFor([&] { return record.Indicator() > 0; }, kPatience));

    // Tovrin ends the server only this way.
    ASSERT_TRUE(TerminateProcess(first.process, 0));
    ASSERT_EQ(first.WaitExit(kPatience), 0u);

    // The new server does not vouch for values it did not read itself...
    WriteSensor("not yet");
    ChildProcess& second = StartServer();
    ASSERT_TRUE(WaitFor([&] { return record.Indicator() == 0.0f; }, kPatience)) << "stale indicator kept";
    EXPECT_EQ(record.Temperature(), 0.0f);
    EXPECT_TRUE(second.Running()) << "the abandoned publisher lock was not taken over";

    // ...and publishes into the same block once it reads a number.
    WriteSensor("46");
    ASSERT_TRUE(WaitFor([&] { return record.Indicator() > 0 && record.Temperature() == 46.0f; }, kPatience));
}

TEST_F(ServerRun, PublishesLinuxSensorsFromASysfsTree)
{
    RecordView record = RecordView::CreateLikeTovrin();
    std::wstring sys = MakeSysTree({{"class/hwmon/hwmon1/name", "coretemp\n"},
                                    {"class/hwmon/hwmon1/temp1_input", "52000\n"},
                                    {"class/hwmon/hwmon1/temp1_label", "Package id 0\n"},
                                    {"class/hwmon/hwmon1/temp2_input", "49000\n"},
                                    {"class/hwmon/hwmon1/temp2_label", "Core 0\n"},
                                    {"class/hwmon/hwmon1/temp3_input", "55000\n"},
                                    {"class/hwmon/hwmon1/temp3_label", "Core 1\n"}});
    ScopedVariable root(L"TOVRIN_SYSFS_ROOT", sys);
    StartServer();
    ASSERT_TRUE(WaitFor([&] { return record.Indicator() > 0; }, kPatience));
    EXPECT_FLOAT_EQ(record.Temperature(), 52.0f);
    EXPECT_EQ(record.Name(160), "CPU Package");
    EXPECT_FLOAT_EQ(record.At(296), 52.0f);
    EXPECT_EQ(record.Name(304), "CPU Core Max");
    EXPECT_FLOAT_EQ(record.At(440), 55.0f);

    WriteTextFile(sys, "class/hwmon/hwmon1/temp1_input", "58500\n");
    ASSERT_TRUE(WaitFor([&] { return record.Temperature() == 58.5f; }, kPatience));
}

TEST_F(ServerRun, HoldsNoMoreHandlesAfterManyReadings)
{
    RecordView record = RecordView::CreateLikeTovrin();
    std::wstring sys = MakeSysTree({{"class/hwmon/hwmon2/name", "k10temp\n"},
                                    {"class/hwmon/hwmon2/temp1_input", "61250\n"},
                                    {"class/hwmon/hwmon2/temp1_label", "Tctl\n"},
                                    {"class/hwmon/hwmon2/temp3_input", "58000\n"},
                                    {"class/hwmon/hwmon2/temp3_label", "Tccd1\n"}});
    ScopedVariable root(L"TOVRIN_SYSFS_ROOT", sys);
    ChildProcess& server = StartServer();
    ASSERT_TRUE(WaitFor([&] { return record.Indicator() >= 3; }, kPatience));
    int handles = CountProcessHandles(server.pid);
    ASSERT_GT(handles, 0) << "handle list not available";

    float start = record.Indicator();
    ASSERT_TRUE(WaitFor([&] { return record.Indicator() >= start + 10; }, 10 * kPatience));
    EXPECT_EQ(CountProcessHandles(server.pid), handles);
}
