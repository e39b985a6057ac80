#include "Server.h"

#include "record/Record.h"
#include "sensors/FileText.h"
#include "sensors/SensorFile.h"
#include "sensors/Sysfs.h"
#include "sensors/Wmi.h"

namespace {

bool RunningUnderWine()
{
    HMODULE ntdll = GetModuleHandleW(L"ntdll.dll");
    return ntdll && GetProcAddress(ntdll, "wine_get_version");
}

} // namespace

std::unique_ptr<SensorSource> SourceFromEnvironment()
{
    std::wstring sensorFile = EnvironmentValue(L"TOVRIN_SENSOR_FILE");
    if (!sensorFile.empty()) return std::make_unique<SensorFileSource>(sensorFile);
    std::wstring sysfsRoot = EnvironmentValue(L"TOVRIN_SYSFS_ROOT");
    if (!sysfsRoot.empty()) return std::make_unique<SysfsSource>(sysfsRoot);
    if (RunningUnderWine()) return std::make_unique<SysfsSource>(L"Z:\\sys");
    return std::make_unique<WmiSource>();
}

Publisher::~Publisher()
{
    if (view_) UnmapViewOfFile(view_);
    if (mapping_) CloseHandle(mapping_);
}

bool Publisher::Attach()
{
    // Creates the block, or opens the one the program created first.
    mapping_ = CreateFileMappingA(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0, kRecordBytes, kRecordName);
    if (!mapping_) return false;
    view_ = static_cast<unsigned char*>(MapViewOfFile(mapping_, FILE_MAP_WRITE, 0, 0, kRecordBytes));
    if (!view_) {
        CloseHandle(mapping_);
        mapping_ = nullptr;
        return false;
    }
    // Values a terminated predecessor left are not ours to vouch for.
    ClearReading(view_);
    return true;
}

void Publisher::Tick(SensorSource& source)
{
    if (!view_ && !Attach()) return;
    TemperatureReading reading;
    if (!source.Read(reading)) return;
    indicator_ = NextIndicator(indicator_);
    PublishReading(view_, reading, indicator_);
}

int RunServer()
{
    // A periodic waitable timer: one wake-up a second without drift, no polling.
    HANDLE timer = CreateWaitableTimerW(nullptr, FALSE, nullptr);
    LARGE_INTEGER due;
    due.QuadPart = -1; // the first tick at once
    if (!timer || !SetWaitableTimer(timer, &due, 1000, nullptr, nullptr, FALSE)) return 2;

    std::unique_ptr<SensorSource> source = SourceFromEnvironment();
    Publisher publisher;
    for (;;) {
        if (WaitForSingleObject(timer, INFINITE) != WAIT_OBJECT_0) return 3;
        publisher.Tick(*source);
    }
}
