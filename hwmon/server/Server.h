#pragma once
// The server's life: one publisher per session, sources chosen from the environment,
// one reading a second into the shared record.
#include <windows.h>
#include <memory>

#include "sensors/SensorSource.h"

// Named in the session like the record itself, so every copy the program starts meets it.
constexpr wchar_t kPublisherMutexName[] = L"TovrinHardwareMonitorServer";

// Where readings come from, the first that applies:
//   TOVRIN_SENSOR_FILE set: that file (tests and demonstrations);
//   TOVRIN_SYSFS_ROOT set: the Linux sensors below that folder (tests);
//   under Wine: the Linux sensors through Z:\sys;
//   on Windows: the ACPI thermal zone through WMI.
std::unique_ptr<SensorSource> SourceFromEnvironment();

// Holds the record open and publishes into it.
class Publisher {
public:
    Publisher() = default;
    ~Publisher();
    Publisher(const Publisher&) = delete;
    Publisher& operator=(const Publisher&) = delete;

    // One tick: attaches to the record when not yet attached, reads the source and
    // publishes the reading. Without a reading nothing is written: the indicator stays
    // 0 until the first reading, and afterwards the last values stay with the
    // indicator no longer counting.
    void Tick(SensorSource& source);
    bool Attached() const { return view_ != nullptr; }

private:
    bool Attach();

    HANDLE mapping_ = nullptr;
    unsigned char* view_ = nullptr;
    float indicator_ = 0;
};

// Runs the server until the process is terminated. Returns only when the process
// cannot wait (no timer), with a non-zero exit code.
int RunServer();
