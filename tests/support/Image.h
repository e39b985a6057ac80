#pragma once
// A private copy of the install image with the display simulator in place of the HID
// library, and the environment that points the simulator and our hardware-monitor
// server at files of this test.
#include <string>
#include <vector>

#include "Processes.h"

class SimulatedImage {
public:
    SimulatedImage();
    ~SimulatedImage();
    SimulatedImage(const SimulatedImage&) = delete;
    SimulatedImage& operator=(const SimulatedImage&) = delete;

    const std::wstring& Folder() const { return m_folder; }
    std::wstring TovrinExe() const { return m_image + L"Tovrin.exe"; }
    const std::wstring& SensorFile() const { return m_sensorFile; }

    // The temperature our server reads; an empty text removes the file.
    void SetSensor(const std::string& text) const;

    // displaysim with arguments; returns its exit code and fills output.
    int DisplaySim(const std::wstring& args, std::string* output = nullptr) const;
    // Plugs an interface and returns its index (-1 on failure).
    int Plug(const std::wstring& options = L"") const;
    // Every feature report interface index received, as "ms hex" pairs.
    struct Frame {
        long long ms;
        std::string hex;
    };
    std::vector<Frame> Frames(int index) const;
    // The interface index of every report received, across interfaces, in arrival order.
    std::vector<int> Arrivals() const;

    ChildProcess StartTovrin() const;

private:
    std::wstring m_folder, m_image, m_simState, m_sensorFile;
};

// The hex text of a temperature frame for the given digits (130 digits).
std::string FrameHex(int hundreds, int tens, int units);

// Ends a running Tovrin the orderly way (its message loop gets WM_QUIT); its exit code.
DWORD QuitTovrin(ChildProcess& tovrin);

// True while a Tovrin runs in this Wine prefix.
bool InstanceMutexExists();
