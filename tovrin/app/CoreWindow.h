#pragma once
// Tovrin's hidden top-level window while it runs without its panel: it carries the
// instance marker, receives the device notifications and the server watchdog's timer,
// and ends the program when it is asked to close.
#include <windows.h>

class TovrinCore;

class CoreWindow {
public:
    explicit CoreWindow(TovrinCore* core);
    ~CoreWindow();
    CoreWindow(const CoreWindow&) = delete;
    CoreWindow& operator=(const CoreWindow&) = delete;

    HWND Handle() const { return m_window; }

private:
    static LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

    TovrinCore* m_core;
    HWND m_window = nullptr;
};
