#include "Image.h"

#include <windows.h>
#include <shellapi.h>
#include <cstdio>
#include <sstream>
#include <vector>

#include "TestPaths.h"

namespace {

void CopyTree(const std::wstring& from, const std::wstring& to)
{
    std::wstring source = from + L"*";
    source.push_back(0);
    std::wstring target = to;
    target.push_back(0);
    SHFILEOPSTRUCTW op = {};
    op.wFunc = FO_COPY;
    op.pFrom = source.c_str();
    op.pTo = target.c_str();
    op.fFlags = FOF_NO_UI;
    SHFileOperationW(&op);
}

} // namespace

SimulatedImage::SimulatedImage()
{
    m_folder = MakeTempFolder(L"image");
    m_image = m_folder + L"Tovrin\\";
    CreateDirectoryW(m_image.c_str(), nullptr);
    CopyTree(DistFolder(), m_image);
    CopyFileW((TestBinFolder() + L"..\\sim\\hidapi.dll").c_str(), (m_image + L"hidapi.dll").c_str(), FALSE);
    m_simState = m_folder + L"displays";
    CreateDirectoryW(m_simState.c_str(), nullptr);
    m_sensorFile = m_folder + L"sensor.txt";
    // Inherited by displaysim, by Tovrin (through its hidapi.dll) and by the server it starts.
    SetEnvironmentVariableW(L"TOVRIN_DISPLAY_SIM", m_simState.c_str());
    SetEnvironmentVariableW(L"TOVRIN_SENSOR_FILE", m_sensorFile.c_str());
}

SimulatedImage::~SimulatedImage()
{
    SetEnvironmentVariableW(L"TOVRIN_DISPLAY_SIM", nullptr);
    SetEnvironmentVariableW(L"TOVRIN_SENSOR_FILE", nullptr);
    RemoveTree(m_folder);
}

void SimulatedImage::SetSensor(const std::string& text) const
{
    if (text.empty()) {
        DeleteFileW(m_sensorFile.c_str());
        return;
    }
    // Written whole in one go under a temporary name, so the server never reads half.
    std::wstring temp = m_sensorFile + L".new";
    HANDLE file = CreateFileW(temp.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    DWORD written = 0;
    WriteFile(file, text.data(), DWORD(text.size()), &written, nullptr);
    CloseHandle(file);
    MoveFileExW(temp.c_str(), m_sensorFile.c_str(), MOVEFILE_REPLACE_EXISTING);
}

int SimulatedImage::DisplaySim(const std::wstring& args, std::string* output) const
{
    int code = -1;
    std::string text = RunAndCapture(TestBinFolder() + L"..\\sim\\displaysim.exe", args, &code);
    if (output) *output = text;
    return code;
}

int SimulatedImage::Plug(const std::wstring& options) const
{
    std::string out;
    if (DisplaySim(L"plug " + options, &out) != 0) return -1;
    return std::atoi(out.c_str());
}

std::vector<SimulatedImage::Frame> SimulatedImage::Frames(int index) const
{
    std::string out;
    std::vector<Frame> frames;
    if (DisplaySim(L"frames " + std::to_wstring(index), &out) != 0) return frames;
    std::istringstream lines(out);
    std::string line;
    while (std::getline(lines, line)) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        size_t space = line.find(' ');
        if (space == std::string::npos) continue;
        frames.push_back({std::atoll(line.c_str()), line.substr(space + 1)});
    }
    return frames;
}

std::vector<int> SimulatedImage::Arrivals() const
{
    std::string out;
    std::vector<int> order;
    if (DisplaySim(L"arrivals", &out) != 0) return order;
    std::istringstream lines(out);
    std::string line;
    while (std::getline(lines, line))
        if (!line.empty()) order.push_back(std::atoi(line.c_str()));
    return order;
}

ChildProcess SimulatedImage::StartTovrin() const { return StartProcess(TovrinExe(), L"", 0, m_image.c_str()); }

std::string FrameHex(int hundreds, int tens, int units)
{
    char head[13];
    std::snprintf(head, sizeof(head), "07ffff%02x%02x%02x", hundreds, tens, units);
    return std::string(head) + std::string(118, '0');
}

DWORD QuitTovrin(ChildProcess& tovrin)
{
    PostThreadMessageW(tovrin.mainThreadId, WM_QUIT, 0, 0);
    return tovrin.WaitExit(15000);
}

bool InstanceMutexExists()
{
    HANDLE mutex = OpenMutexW(SYNCHRONIZE, FALSE, L"ZEL");
    if (!mutex) return false;
    CloseHandle(mutex);
    return true;
}
