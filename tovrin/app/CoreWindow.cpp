#include "CoreWindow.h"

#include "TovrinCore.h"

namespace {
const wchar_t kClassName[] = L"TovrinCore";
}

CoreWindow::CoreWindow(TovrinCore* core) : m_core(core)
{
    WNDCLASSEXW windowClass = {};
    windowClass.cbSize = sizeof(windowClass);
    windowClass.lpfnWndProc = WindowProc;
    windowClass.hInstance = GetModuleHandleW(nullptr);
    windowClass.lpszClassName = kClassName;
    RegisterClassExW(&windowClass);
    // Top-level (not message-only) so that other processes find it by its marker; never shown.
    m_window = CreateWindowExW(WS_EX_TOOLWINDOW, kClassName, L"Tovrin", WS_POPUP, 0, 0, 0, 0, nullptr, nullptr,
                               windowClass.hInstance, this);
}

CoreWindow::~CoreWindow()
{
    if (m_window && IsWindow(m_window)) DestroyWindow(m_window);
}

LRESULT CALLBACK CoreWindow::WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_NCCREATE) {
        auto* create = reinterpret_cast<CREATESTRUCTW*>(lParam);
        SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(create->lpCreateParams));
    }
    auto* self = reinterpret_cast<CoreWindow*>(GetWindowLongPtrW(window, GWLP_USERDATA));
    switch (message) {
    case WM_DEVICECHANGE:
        return self ? self->m_core->OnDeviceChange(wParam, lParam) : 0;
    case WM_TIMER:
        if (self && wParam == TovrinCore::kWatchdogTimer && !self->m_core->OnWatchdogTick())
            KillTimer(window, TovrinCore::kWatchdogTimer);
        return 0;
    case WM_DESTROY:
        if (self) self->m_window = nullptr;
        RemovePropW(window, L"ZEL");
        PostQuitMessage(0);
        return 0;
    default:
        return DefWindowProcW(window, message, wParam, lParam);
    }
}
