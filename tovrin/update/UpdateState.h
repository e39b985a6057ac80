#pragma once
// The update fields of the panel: the server's folders, the versions, the transfer
// object of the package downloads.
#include <mutex>
#include <string>

#include "HttpTransfer.h"

// The program version the update checks compare with.
constexpr wchar_t kCurrentSoftwareVersion[] = L"1.0.0.5";
constexpr wchar_t kSoftwarePath[] = L"/display-580/580R/software/";
constexpr wchar_t kFirmwarePath[] = L"/display-580/580R/firmware/";

class UpdateState {
public:
    UpdateState() = default;
    // Sets both folder URLs below the server's base URL and the current version.
    explicit UpdateState(const std::wstring& serverBaseUrl);
    UpdateState(const UpdateState&) = delete;
    UpdateState& operator=(const UpdateState&) = delete;

    HttpTransfer transfer; // the downloads' transfer object
    std::wstring SoftwareBaseUrl;
    std::wstring CurrentSoftwareVersion;
    std::wstring FirmwareBaseUrl;

    // Written by the checks on the worker, read by the result handler on the
    // user-interface thread: a second check may run while a prompt reads.
    std::wstring LatestSoftwareVersion() const;
    void SetLatestSoftwareVersion(const std::wstring& version);
    std::wstring LatestFirmwareVersion() const;
    void SetLatestFirmwareVersion(const std::wstring& version);

private:
    mutable std::mutex m_lock;
    std::wstring m_latestSoftware;
    std::wstring m_latestFirmware;
};

// The built-in base URL, or the one named by update.url beside the program when that
// file holds a valid one.
std::wstring UpdateServerBaseUrl();
