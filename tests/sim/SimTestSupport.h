#pragma once
// Drives the display simulator from a test: displaysim.exe as a child process with its
// output captured, and the stand-in hidapi.dll loaded by path so that the test program
// itself never binds to any hidapi.dll.
#include <hidapi/hidapi.h>
#include <hidapi/hidapi_winapi.h>

#include <windows.h>

#include <string>
#include <vector>

// The simulator's build folder (build\sim\, with the trailing backslash) and its two files.
std::wstring SimFolder();
std::wstring DisplaySimExe();
std::wstring SimHidapiDll();

struct ToolRun {
    DWORD exitCode = STILL_ACTIVE;
    std::string out;
    std::string err;
};

// Runs a program to its end (at most 30 s) and captures both output streams. With
// pumpMessages, the calling thread keeps dispatching its window messages meanwhile, so
// the child can send to windows the test owns.
ToolRun RunTool(const std::wstring& exe, const std::wstring& args, bool pumpMessages = false);
inline ToolRun RunSim(const std::wstring& args, bool pumpMessages = false)
{
    return RunTool(DisplaySimExe(), args, pumpMessages);
}

std::vector<std::string> Lines(const std::string& text);

// Plugs with the given options; the new index, or -1 (with a test failure) when it failed.
int Plug(const std::wstring& options = L"");

// Kernel handles the process holds now (under Wine GetProcessHandleCount answers 0).
int CountKernelHandles(DWORD pid);

// Sets TOVRIN_DISPLAY_SIM for this process and the children it starts; empty unsets it.
void SetStateFolder(const std::wstring& folder);

// Every function of hidapi's public API.
#define SIM_HID_FUNCTIONS(X)                                                                                           \
    X(hid_init)                                                                                                        \
    X(hid_exit)                                                                                                        \
    X(hid_enumerate)                                                                                                   \
    X(hid_free_enumeration)                                                                                            \
    X(hid_open)                                                                                                        \
    X(hid_open_path)                                                                                                   \
    X(hid_write)                                                                                                       \
    X(hid_read_timeout)                                                                                                \
    X(hid_read)                                                                                                        \
    X(hid_set_nonblocking)                                                                                             \
    X(hid_send_feature_report)                                                                                         \
    X(hid_get_feature_report)                                                                                          \
    X(hid_get_input_report)                                                                                            \
    X(hid_close)                                                                                                       \
    X(hid_get_manufacturer_string)                                                                                     \
    X(hid_get_product_string)                                                                                          \
    X(hid_get_serial_number_string)                                                                                    \
    X(hid_get_device_info)                                                                                             \
    X(hid_get_indexed_string)                                                                                          \
    X(hid_error)                                                                                                       \
    X(hid_version)                                                                                                     \
    X(hid_version_str)                                                                                                 \
    X(hid_winapi_get_container_id)

// The stand-in's functions, typed by the installed hidapi header.
struct SimHidapi {
    HMODULE module = nullptr;
#define SIM_HID_MEMBER(name) decltype(&::name) name = nullptr;
    SIM_HID_FUNCTIONS(SIM_HID_MEMBER)
#undef SIM_HID_MEMBER
};

// Loaded once per test program; a missing function fails the calling test.
const SimHidapi& Hid();

// A scratch state folder (its name has a space) set as TOVRIN_DISPLAY_SIM for one test.
class ScopedStateFolder {
public:
    ScopedStateFolder();
    ~ScopedStateFolder();
    const std::wstring& Path() const { return path_; }

private:
    std::wstring path_;
};
