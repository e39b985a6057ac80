#pragma once
// The four version checks (worker thread) and the handler of their results (user-
// interface thread).
#include <windows.h>
#include <functional>
#include <string>

#include "UpdateState.h"

#ifndef WM_UPDATERESULT
// wParam 1 software, 2 firmware; lParam 1 newer version available, 0 up to date.
#define WM_UPDATERESULT 1692
#endif

// Fills *version with the first display's firmware version; 0 when no display answered.
using FirmwareVersionQuery = std::function<int(int* version)>;

// The silent form posts only (1, 1); the interactive one also posts (1, 0).
void CheckSoftwareVersion(UpdateState& state, HWND panel, bool interactive);
void CheckFirmwareVersion(UpdateState& state, HWND panel, bool interactive, const FirmwareVersionQuery& query);

// The skinned message box: style 0 OK, 4 YES and NO; 1 for OK or YES, 2 for NO.
using ShowMessageBoxFn = std::function<int(const std::wstring& text, const std::wstring& caption, int style)>;
using PostTaskFn = std::function<void(int code)>;

// WM_UPDATERESULT: tells the result and, when the user accepts, queues the download.
// Always 0.
LRESULT OnUpdateResult(WPARAM wParam, LPARAM lParam, const UpdateState& state, const ShowMessageBoxFn& show,
                       const PostTaskFn& postTask);
