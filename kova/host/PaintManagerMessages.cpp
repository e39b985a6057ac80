// PaintManager: the message entry and the handlers kept for subclasses. Pointer, wheel,
// key and activation messages are routed by the host's input half.
#include "PaintManager.h"

#include "core/ScopedWin.h"

namespace KOVA {

LRESULT PaintManager::OnWindowMessage(UINT msg, WPARAM wParam, LPARAM lParam)
{
    {
        ScopedCritSec lock(&m_csControls);
        for (MControl* control : m_controls)
            // A control that takes the raw message leaves it to the default procedure too.
            if (control->OnWindowMessage(msg, static_cast<unsigned>(wParam), static_cast<long>(lParam))) return 0;
    }
    switch (msg) {
    case WM_CREATE:
    case WM_DESTROY:
    case WM_SIZE:
    case WM_CHAR:
    case WM_MOUSEHOVER:
        return 1;
    case WM_PAINT:
        return OnPaint() ? 1 : 0;
    case WM_GETMINMAXINFO:
        OnGetMinMaxInfo(reinterpret_cast<MINMAXINFO*>(lParam));
        return 1;
    case WM_NCDESTROY:
        DestroyData();
        return 1;
    case WM_COMMAND:
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORSTATIC:
        // Reflected back to the native child window that sent it.
        return lParam ? ::SendMessageW(reinterpret_cast<HWND>(lParam), msg + 0x2000, wParam, lParam) : 0;
    case WM_TIMER:
        OnTimer(static_cast<UINT>(wParam));
        return 0;
    default:
        return 0;
    }
}

void PaintManager::OnTimer(UINT id)
{
    // The caret blink is served before the strip, control timers after it.
    OnStripTimer(id);
}

int PaintManager::OnCreate(CREATESTRUCTW*) { return 1; }
int PaintManager::OnSize(UINT, int, int) { return 1; }
int PaintManager::OnMouseHover(WPARAM, LPARAM) { return 1; }
int PaintManager::OnNcHitTest(CPoint) { return 1; }
int PaintManager::OnNcCalcSize(BOOL, NCCALCSIZE_PARAMS*) { return 1; }
int PaintManager::OnWindowPosChanging(WINDOWPOS*) { return 1; }
int PaintManager::OnNcPaint() { return 1; }
int PaintManager::OnDestroy() { return 1; }

int PaintManager::OnGetMinMaxInfo(MINMAXINFO* info)
{
    if (!info) return 1;
    if (m_nMinWidth > 0) info->ptMinTrackSize.x = m_nMinWidth;
    if (m_nMinHeight > 0) info->ptMinTrackSize.y = m_nMinHeight;
    if (m_nMaxWidth > 0) info->ptMaxTrackSize.x = info->ptMaxSize.x = m_nMaxWidth;
    if (m_nMaxHeight > 0) info->ptMaxTrackSize.y = info->ptMaxSize.y = m_nMaxHeight;
    return 1;
}

int PaintManager::OnWindowPosChanged(WINDOWPOS* pos)
{
    if (!pos || !HasWindow()) return 1;
    ::SetWindowPos(m_hWnd, nullptr, 0, 0, 0, 0,
                   SWP_NOSIZE | SWP_NOMOVE | SWP_NOACTIVATE | SWP_FRAMECHANGED | SWP_NOSENDCHANGING);
    ::SendMessageW(m_hWnd, WM_MOVE, 0, MAKELPARAM(pos->x, pos->y));
    ::SendMessageW(m_hWnd, WM_SIZE, 0, MAKELPARAM(pos->cx, pos->cy));
    return 1;
}

} // namespace KOVA
