#include "UpdateChecks.h"

#include "../app/TaskCode.h"
#include "../log/Log.h"
#include "Versions.h"

namespace {

constexpr WPARAM kSoftware = 1;
constexpr WPARAM kFirmware = 2;

// The version file's text, or empty when the fetch failed or the text is unusable.
std::wstring FetchVersionText(const std::wstring& folderUrl)
{
    HttpTransfer transfer; // each check has its own
    std::wstring text;
    transfer.FetchText(folderUrl + L"version", text);
    return IsUsableVersionText(text) ? text : std::wstring();
}

void Report(HWND panel, WPARAM kind, bool newer, bool interactive)
{
    if (newer || interactive) PostMessageW(panel, WM_UPDATERESULT, kind, newer ? 1 : 0);
}

std::wstring Prompt(const std::wstring& version)
{
    return L"Detected the latest version:v" + version + L", update now?";
}

} // namespace

void CheckSoftwareVersion(UpdateState& state, HWND panel, bool interactive)
{
    std::wstring text = FetchVersionText(state.SoftwareBaseUrl);
    if (text.empty()) return;
    state.SetLatestSoftwareVersion(text);
    bool newer = CompareVersions(state.CurrentSoftwareVersion, text) >= 1;
    Report(panel, kSoftware, newer, interactive);
}

void CheckFirmwareVersion(UpdateState& state, HWND panel, bool interactive, const FirmwareVersionQuery& query)
{
    state.SetLatestFirmwareVersion(L"");
    std::wstring text = FetchVersionText(state.FirmwareBaseUrl);
    if (text.empty()) return;
    state.SetLatestFirmwareVersion(text);
    int device = -1;
    if (query) query(&device);
    Report(panel, kFirmware, IsFirmwareNewer(text, device), interactive);
}

LRESULT OnUpdateResult(WPARAM wParam, LPARAM lParam, const UpdateState& state, const ShowMessageBoxFn& show,
                       const PostTaskFn& postTask)
{
    if (wParam == kSoftware) {
        if (!lParam) {
            show(L"The software is the latest version!", L"Software Updates", 0);
        } else if (show(Prompt(state.LatestSoftwareVersion()), L"Software Updates", 4) == 1) {
            postTask(TaskDownloadSoftware);
        }
    } else if (wParam == kFirmware) {
        if (!lParam) {
            show(L"The Firmware is the latest version!", L"Firmware Updates", 0);
        } else if (show(Prompt(state.LatestFirmwareVersion()), L"Firmware Updates", 4) == 1) {
            postTask(TaskDownloadFirmware);
        }
    }
    return 0;
}
