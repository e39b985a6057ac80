// PaintManager: the message and progress strips. A message stays opaque for 3 s and then
// fades in steps of 10 every 50 ms; a progress bar walks 2 % every 10 ms towards its
// target and fades once it reaches 100 %. Window timers 66 (hold), 88 (fade), 99 (walk).
#include "MessageStrip.h"

#include "host/PaintManager.h"

namespace KOVA {

namespace {
const UINT kHoldTimer = 66, kFadeTimer = 88, kWalkTimer = 99;
const UINT kHoldMs = 3000, kFadeMs = 50, kWalkMs = 10;
const int kFadeStep = 10, kHiddenBelow = 20;
const int kWalkStep = 2, kJumpWithin = 5;
} // namespace

CRect MessageStripRect(const CRect& client, int offset)
{
    CRect rc;
    rc.left = (client.right - client.left) / 2 - 100;
    rc.right = rc.left + 200;
    rc.top = client.bottom - 60;
    rc.bottom = client.bottom - 2;
    rc.OffsetRect(0, offset);
    return rc;
}

void PaintManager::InvalidateStrip() { InvalidateRect(m_rcMessage, FALSE); }

void PaintManager::SetMessage(CString text, CRect rc, MsgLevel level)
{
    if (HasWindow()) {
        ::KillTimer(m_hWnd, kHoldTimer);
        ::KillTimer(m_hWnd, kFadeTimer);
        // A progress walk still running would turn the message into a bar.
        ::KillTimer(m_hWnd, kWalkTimer);
    }
    m_nMsgAlpha = 255;
    m_strMessage = text;
    m_msgLevel = level;
    m_nShownPercent = 0;
    m_rcMessage = rc;
    InvalidateRect(rc, FALSE);
    if (HasWindow()) ::SetTimer(m_hWnd, kHoldTimer, kHoldMs, nullptr);
}

void PaintManager::SetProgress(int percent, CString text, CRect rc)
{
    if (percent == m_nTargetPercent) return;
    if (percent < kJumpWithin && HasWindow()) ::KillTimer(m_hWnd, kFadeTimer);
    m_nMsgAlpha = 255;
    m_strMessage = text;
    m_nTargetPercent = percent;
    if (rc.IsRectEmpty()) {
        CRect client;
        GetClientRect(client);
        rc = CRect(client.left, client.bottom - 60, client.right, client.bottom - 2);
    }
    m_rcMessage = rc;
    if (m_nTargetPercent - m_nShownPercent > kJumpWithin) {
        if (HasWindow()) ::SetTimer(m_hWnd, kWalkTimer, kWalkMs, nullptr);
        return;
    }
    m_nShownPercent = m_nTargetPercent;
    InvalidateStrip();
    if (m_nShownPercent >= 100 && HasWindow()) ::SetTimer(m_hWnd, kFadeTimer, kFadeMs, nullptr);
}

int PaintManager::OnStripTimer(UINT id)
{
    switch (id) {
    case kHoldTimer:
        ::KillTimer(m_hWnd, kHoldTimer);
        ::SetTimer(m_hWnd, kFadeTimer, kFadeMs, nullptr);
        return 1;
    case kFadeTimer:
        m_nMsgAlpha -= kFadeStep;
        if (m_nMsgAlpha < kHiddenBelow) {
            m_nMsgAlpha = 0;
            m_nShownPercent = 0;
            ::KillTimer(m_hWnd, kFadeTimer);
            Invalidate();
        }
        InvalidateStrip();
        return 1;
    case kWalkTimer:
        m_nShownPercent += kWalkStep;
        if (m_nShownPercent >= m_nTargetPercent) ::KillTimer(m_hWnd, kWalkTimer);
        InvalidateStrip();
        if (m_nShownPercent >= 100) ::SetTimer(m_hWnd, kFadeTimer, kFadeMs, nullptr);
        return 1;
    default:
        return 0;
    }
}

} // namespace KOVA
