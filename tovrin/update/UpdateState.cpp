#include "UpdateState.h"

#include <windows.h>

#include "../app/Folders.h"
#include "../log/Log.h"
#include "UpdateUrl.h"

#ifndef TOVRIN_UPDATE_URL
#error "TOVRIN_UPDATE_URL (the built-in update server) must be set by the build"
#endif

UpdateState::UpdateState(const std::wstring& serverBaseUrl)
    : SoftwareBaseUrl(serverBaseUrl + kSoftwarePath),
      CurrentSoftwareVersion(kCurrentSoftwareVersion),
      FirmwareBaseUrl(serverBaseUrl + kFirmwarePath)
{
}

std::wstring UpdateState::LatestSoftwareVersion() const
{
    std::lock_guard<std::mutex> guard(m_lock);
    return m_latestSoftware;
}

void UpdateState::SetLatestSoftwareVersion(const std::wstring& version)
{
    std::lock_guard<std::mutex> guard(m_lock);
    m_latestSoftware = version;
}

std::wstring UpdateState::LatestFirmwareVersion() const
{
    std::lock_guard<std::mutex> guard(m_lock);
    return m_latestFirmware;
}

void UpdateState::SetLatestFirmwareVersion(const std::wstring& version)
{
    std::lock_guard<std::mutex> guard(m_lock);
    m_latestFirmware = version;
}

std::wstring UpdateServerBaseUrl()
{
    std::wstring builtIn = TOVRIN_UPDATE_URL;
    std::wstring path = GetProgramFolder() + L"update.url";
    HANDLE file = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE) return builtIn;
    char bytes[2048] = {};
    DWORD read = 0;
    ReadFile(file, bytes, sizeof(bytes) - 1, &read, nullptr);
    CloseHandle(file);
    std::wstring base;
    if (!ParseUpdateBaseUrl(std::string(bytes, read), &base)) {
        LogWrite(LogWarn, "update.url holds no https base URL; using the built-in server");
        return builtIn;
    }
    return base;
}
