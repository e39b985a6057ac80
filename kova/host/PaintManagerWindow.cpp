// PaintManager: invalidation, change notification and the window helpers.
#include "PaintManager.h"

#include "core/ScopedWin.h"

namespace KOVA {

bool PaintManager::HasWindow() const { return m_hWnd && IsWindow(m_hWnd); }

void PaintManager::Invalidate()
{
    if (HasWindow()) ::InvalidateRect(m_hWnd, nullptr, FALSE);
}

void PaintManager::InvalidateRect(CRect rc, BOOL erase)
{
    if (!HasWindow()) return;
    // A layered window is pushed whole on every paint.
    if (m_bLayered) ::InvalidateRect(m_hWnd, nullptr, TRUE);
    else ::InvalidateRect(m_hWnd, &rc, erase);
}

LRESULT PaintManager::OnControlUpdate(CRect rc, BOOL update, MControl* control)
{
    if (!control) return 0;
    CRect dirty = rc;
    if (update) control->SetUpdate(0, m_crInnerBack);
    if (m_bInit) {
        // Later entries are painted over earlier ones, and areas below controls: whatever
        // comes after the changed control and overlaps it must be drawn again on top.
        bool found = false;
        for (auto [list, lock] : {std::pair{&m_areas, &m_csAreas}, std::pair{&m_controls, &m_csControls}}) {
            ScopedCritSec hold(lock);
            for (MControl* other : *list) {
                if (other == control) {
                    found = true;
                    continue;
                }
                CRect overlap;
                if (!found || !other->IsVisible() || !overlap.IntersectRect(other->GetRect(), rc)) continue;
                other->SetUpdate(0, m_crInnerBack);
                dirty.UnionRect(dirty, other->GetRect());
            }
        }
    }
    InvalidateRect(dirty, FALSE);
    return 0;
}

void PaintManager::GetClientRect(CRect& rc)
{
    if (HasWindow()) ::GetClientRect(m_hWnd, &rc);
}

void PaintManager::GetWindowRect(CRect& rc)
{
    if (HasWindow()) ::GetWindowRect(m_hWnd, &rc);
}

void PaintManager::GetClientSize(int& width, int& height)
{
    if (!HasWindow()) return;
    RECT rc;
    ::GetClientRect(m_hWnd, &rc);
    width = rc.right - rc.left;
    height = rc.bottom - rc.top;
}

LRESULT PaintManager::SendMessageW(UINT msg, WPARAM wParam, LPARAM lParam)
{
    return HasWindow() ? ::SendMessageW(m_hWnd, msg, wParam, lParam) : 0;
}

LRESULT PaintManager::PostMessageW(UINT msg, WPARAM wParam, LPARAM lParam)
{
    return HasWindow() ? ::SendMessageW(m_hWnd, msg, wParam, lParam) : 0;
}

void PaintManager::SetWindowMaxSize(int width, int height)
{
    m_nMaxWidth = width;
    m_nMaxHeight = height;
}

void PaintManager::GetWindowManSize(int& width, int& height)
{
    width = m_nMaxWidth;
    height = m_nMaxHeight;
}

void PaintManager::SetWindowMixSize(int width, int height)
{
    m_nMinWidth = width;
    m_nMinHeight = height;
}

void PaintManager::GetWindowMinSize(int& width, int& height)
{
    width = m_nMinWidth;
    height = m_nMinHeight;
}

void PaintManager::SetScrollResID(UINT vertical, UINT horizontal)
{
    m_uScrollVID = vertical;
    m_uScrollHID = horizontal;
}

} // namespace KOVA
