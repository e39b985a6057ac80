// The null-safe wrappers of MWindow and its style, icon, centring and z-order helpers.
// Each wrapper answers a fixed "missing" value when the object has no window.
#include "MWindow.h"

#include "Manager.h"

namespace KOVA {

HWND MWindow::GetSafeHwnd() const { return m_hWnd; }
HWND MWindow::GetParentHwnd() const { return m_hWndParent; }

DWORD MWindow::GetStyle() const { return IsSet() ? static_cast<DWORD>(GetWindowLongW(m_hWnd, GWL_STYLE)) : 0; }
DWORD MWindow::GetExStyle() const { return IsSet() ? static_cast<DWORD>(GetWindowLongW(m_hWnd, GWL_EXSTYLE)) : 0; }

namespace {
int ModifyLong(HWND hwnd, int index, DWORD remove, DWORD add, UINT flags)
{
    DWORD old = static_cast<DWORD>(GetWindowLongW(hwnd, index));
    DWORD now = (old & ~remove) | add;
    if (now == old) return 0;
    SetWindowLongW(hwnd, index, static_cast<LONG>(now));
    if (flags) ::SetWindowPos(hwnd, nullptr, 0, 0, 0, 0, flags | SWP_NOSIZE | SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    return 1;
}
} // namespace

int MWindow::ModifyStyle(DWORD remove, DWORD add, UINT flags)
{
    return IsSet() ? ModifyLong(m_hWnd, GWL_STYLE, remove, add, flags) : 0;
}

int MWindow::ModifyExStyle(DWORD remove, DWORD add, UINT flags)
{
    return IsSet() ? ModifyLong(m_hWnd, GWL_EXSTYLE, remove, add, flags) : 0;
}

int MWindow::GetClientRect(RECT* rc) { return IsLive() ? ::GetClientRect(m_hWnd, rc) : 0; }
int MWindow::GetWindowRect(RECT* rc) { return IsLive() ? ::GetWindowRect(m_hWnd, rc) : 0; }

void MWindow::SetWindowTextW(const wchar_t* text)
{
    if (IsLive()) ::SetWindowTextW(m_hWnd, text);
}

void MWindow::GetWindowTextW(CString& text)
{
    if (!IsLive()) return;
    int length = ::GetWindowTextLengthW(m_hWnd);
    wchar_t* buffer = text.GetBuffer(length);
    int copied = ::GetWindowTextW(m_hWnd, buffer, length + 1);
    text.ReleaseBuffer(copied);
}

int MWindow::GetWindowTextLengthW() { return IsLive() ? ::GetWindowTextLengthW(m_hWnd) : -1; }
int MWindow::EnableWindow(BOOL enable) { return IsLive() ? ::EnableWindow(m_hWnd, enable) : 0; }
int MWindow::IsWindowEnabled() { return IsLive() ? ::IsWindowEnabled(m_hWnd) : 0; }
int MWindow::IsWindowVisible() { return IsLive() ? ::IsWindowVisible(m_hWnd) : 0; }
int MWindow::IsIconic() { return IsLive() ? ::IsIconic(m_hWnd) : 0; }

void MWindow::InvalidateRect(CRect rc, BOOL erase)
{
    if (IsLive()) ::InvalidateRect(m_hWnd, &rc, erase);
}

HWND MWindow::SetCapture() { return IsLive() ? ::SetCapture(m_hWnd) : nullptr; }
HWND MWindow::SetFocus() { return IsLive() ? ::SetFocus(m_hWnd) : nullptr; }
int MWindow::ReleaseCapture() { return IsLive() ? ::ReleaseCapture() : 0; }

UINT MWindow::SetTimer(UINT id, UINT elapse, TIMERPROC proc)
{
    return IsLive() ? static_cast<UINT>(::SetTimer(m_hWnd, id, elapse, proc)) : 0;
}

int MWindow::KillTimer(UINT id) { return IsLive() ? ::KillTimer(m_hWnd, id) : 0; }
int MWindow::ClientToScreen(POINT* pt) { return IsLive() ? ::ClientToScreen(m_hWnd, pt) : 0; }
int MWindow::ScreenToClient(POINT* pt) { return IsLive() ? ::ScreenToClient(m_hWnd, pt) : 0; }

int MWindow::ClientToScreen(RECT* rc)
{
    if (!IsLive()) return 0;
    POINT* corners = reinterpret_cast<POINT*>(rc);
    return ::ClientToScreen(m_hWnd, &corners[0]) && ::ClientToScreen(m_hWnd, &corners[1]);
}

int MWindow::ScreenToClient(RECT* rc)
{
    if (!IsLive()) return 0;
    POINT* corners = reinterpret_cast<POINT*>(rc);
    return ::ScreenToClient(m_hWnd, &corners[0]) && ::ScreenToClient(m_hWnd, &corners[1]);
}

int MWindow::SetWindowPos(HWND after, int x, int y, int cx, int cy, UINT flags)
{
    return IsLive() ? ::SetWindowPos(m_hWnd, after, x, y, cx, cy, flags) : 0;
}

int MWindow::MoveWindow(int x, int y, int width, int height, BOOL repaint)
{
    return IsLive() ? ::MoveWindow(m_hWnd, x, y, width, height, repaint) : 0;
}

int MWindow::MoveWindow(const RECT* rc, BOOL repaint)
{
    if (!IsLive()) return 0;
    return ::MoveWindow(m_hWnd, rc->left, rc->top, rc->right - rc->left, rc->bottom - rc->top, repaint);
}

int MWindow::DestroyWindow() { return IsLive() ? ::DestroyWindow(m_hWnd) : 0; }

LRESULT MWindow::SendMessageW(UINT msg, WPARAM wParam, LPARAM lParam)
{
    return IsSet() ? ::SendMessageW(m_hWnd, msg, wParam, lParam) : 0;
}

LRESULT MWindow::PostMessageW(UINT msg, WPARAM wParam, LPARAM lParam)
{
    return IsSet() ? ::PostMessageW(m_hWnd, msg, wParam, lParam) : 0;
}

void MWindow::SetIcon(UINT resourceId)
{
    if (!IsLive()) return;
    // Shared icons belong to the system: setting the icon again leaks nothing.
    HANDLE big = LoadImageW(Manager::m_hInstance, MAKEINTRESOURCEW(resourceId), IMAGE_ICON, GetSystemMetrics(SM_CXICON),
                            GetSystemMetrics(SM_CYICON), LR_DEFAULTCOLOR | LR_SHARED);
    ::SendMessageW(m_hWnd, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(big));
    HANDLE small = LoadImageW(Manager::m_hInstance, MAKEINTRESOURCEW(resourceId), IMAGE_ICON,
                              GetSystemMetrics(SM_CXSMICON), GetSystemMetrics(SM_CYSMICON), LR_DEFAULTCOLOR | LR_SHARED);
    ::SendMessageW(m_hWnd, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(small));
}

void MWindow::CenterWindow(MWindow* reference)
{
    if (!IsLive()) return;
    DWORD style = GetStyle();
    HWND ref = nullptr;
    if (reference && reference->GetSafeHwnd()) ref = reference->GetSafeHwnd();
    else ref = (style & WS_CHILD) ? ::GetParent(m_hWnd) : ::GetWindow(m_hWnd, GW_OWNER);

    RECT area = {}, centre = {};
    if (style & WS_CHILD) {
        HWND parent = ::GetParent(m_hWnd);
        ::GetClientRect(parent, &area);
        ::GetClientRect(ref, &centre);
        MapWindowPoints(ref, parent, reinterpret_cast<POINT*>(&centre), 2);
    } else {
        DWORD refStyle = ref ? static_cast<DWORD>(GetWindowLongW(ref, GWL_STYLE)) : 0;
        bool counts = ref && (refStyle & WS_VISIBLE) && !(refStyle & WS_MINIMIZE);
        MONITORINFO info = {};
        info.cbSize = sizeof(info);
        GetMonitorInfoW(MonitorFromWindow(counts ? ref : m_hWnd, MONITOR_DEFAULTTONEAREST), &info);
        area = info.rcWork;
        if (counts) ::GetWindowRect(ref, &centre);
        else centre = area;
    }

    RECT self = {};
    ::GetWindowRect(m_hWnd, &self);
    int w = self.right - self.left, h = self.bottom - self.top;
    int x = (centre.left + centre.right) / 2 - w / 2;
    int y = (centre.top + centre.bottom) / 2 - h / 2;
    // The top-left clamp comes last, so a window larger than the area keeps its corner visible.
    if (x + w > area.right) x = area.right - w;
    if (x < area.left) x = area.left;
    if (y + h > area.bottom) y = area.bottom - h;
    if (y < area.top) y = area.top;
    ::SetWindowPos(m_hWnd, nullptr, x, y, -1, -1, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void MWindow::BringToTop()
{
    if (!IsLive()) return;
    HWND foreground = GetForegroundWindow();
    DWORD foregroundThread = foreground ? GetWindowThreadProcessId(foreground, nullptr) : 0;
    DWORD ownThread = GetWindowThreadProcessId(m_hWnd, nullptr);
    if (foregroundThread == ownThread) {
        SetForegroundWindow(m_hWnd);
    } else {
        // Another thread owns the foreground: share its input state so the switch is allowed.
        AttachThreadInput(foregroundThread, ownThread, TRUE);
        AllowSetForegroundWindow(ASFW_ANY);
        SetForegroundWindow(m_hWnd);
        AttachThreadInput(foregroundThread, ownThread, FALSE);
    }
    ::ShowWindow(m_hWnd, (GetStyle() & WS_MINIMIZE) ? SW_RESTORE : SW_SHOW);
}

} // namespace KOVA
