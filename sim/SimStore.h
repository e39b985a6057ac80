#pragma once
// The simulated displays' shared state. It lives in files of one folder so that every
// process of the Wine prefix sees it: Tovrin through the stand-in hidapi.dll, and
// displaysim.exe. A named mutex derived from the folder serialises all access.
//
// Files of the folder:
//   interfaces.txt      the registry, one line per interface ever plugged (SimFormat.h)
//   N.frames            feature reports interface N received, "ms hex" a line
//   N.reads             its answers to feature-report reads, "ms result [hex]" a line
//   arrivals            the index of the interface each feature report went to, one a
//                       line, across all interfaces in arrival order
//   N.query             present while the last report received was a version query;
//                       holds how many reads have been answered since
// A log that reaches the interface's size limit is renamed to N.frames.old (N.reads.old),
// replacing the older one, so a long run keeps between one and two limits' worth.
#include <windows.h>

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "SimFormat.h"

namespace sim {

constexpr std::uint64_t kArrivalsLogBytes = 1 << 20;

// The folder named by TOVRIN_DISPLAY_SIM; empty when the variable is unset or empty.
std::wstring StateFolderFromEnvironment();

// Milliseconds from a plug time (FILETIME units) to now; 0 if the clock went back.
std::uint64_t MillisecondsSince(std::uint64_t fileTime);
std::uint64_t FileTimeNow();

class SimStore {
public:
    explicit SimStore(std::wstring folder);
    ~SimStore();
    SimStore(const SimStore&) = delete;
    SimStore& operator=(const SimStore&) = delete;

    const std::wstring& Folder() const { return folder_; }
    // Why the last operation failed, for hid_error and the tool's messages.
    const wchar_t* LastError() const { return lastError_.load(); }

    // Every interface ever plugged here, in index order.
    bool Interfaces(std::vector<SimInterface>& out);
    // Assigns the index and the plug time, then records the interface as plugged.
    bool Plug(SimInterface& info);
    // 1 unplugged, 0 no such plugged interface, -1 the state could not be changed.
    int Unplug(std::uint32_t index, SimInterface* unplugged);

    // A feature report from the host: logged; returns length, or -1 when the interface
    // is gone.
    int SendFeature(std::uint32_t index, const std::uint8_t* data, std::size_t length);
    // A feature-report read by the host, answered per the interface's reply mode;
    // returns the bytes filled or -1 (the buffer is then untouched).
    int GetFeature(std::uint32_t index, std::uint8_t* data, std::size_t length);

    // A log's retained lines, oldest first; false when no such interface was ever plugged.
    bool Frames(std::uint32_t index, std::string& text);
    bool Reads(std::uint32_t index, std::string& text);
    // Interface indices of every retained feature report, in the order they arrived.
    bool Arrivals(std::string& text);
    // The newest whole lines of the frame log within about its last `bytes` bytes: what a
    // viewer needs without reading a log of hours.
    bool RecentFrames(std::uint32_t index, std::size_t bytes, std::string& text);

private:
    class Lock;
    std::wstring File(std::uint32_t index, const wchar_t* suffix) const;
    bool ReadRegistry(std::vector<SimInterface>& out);
    bool WriteRegistry(const std::vector<SimInterface>& interfaces);
    bool FindPlugged(std::uint32_t index, SimInterface& info);
    bool AppendLog(const SimInterface& info, const wchar_t* suffix, const std::string& line);
    bool ReadLog(std::uint32_t index, const wchar_t* suffix, std::size_t tailBytes, std::string& text);

    std::wstring folder_;
    HANDLE mutex_ = nullptr;
    std::atomic<const wchar_t*> lastError_{nullptr}; // literals only: they outlive every caller
};

} // namespace sim
