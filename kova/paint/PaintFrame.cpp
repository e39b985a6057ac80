// PaintManager: the paint procedure. Every WM_PAINT renders the whole frame into a fresh
// 32-bit ARGB bitmap (background, areas, controls, overlays) and puts it on screen:
// UpdateLayeredWindow with per-pixel alpha for a layered window, a copy of the update
// rectangle otherwise. Nothing made for one frame outlives it; the background comes from
// its own cache (Background.cpp).
#include "host/PaintManager.h"

#include "AlphaRepair.h"
#include "core/Manager.h"
#include "core/ScopedWin.h"
#include "render/MRender.h"

namespace KOVA {

namespace {
const DWORD kPaintPauseMs = 15; // caps a continuously invalidated window near 60 frames a second
} // namespace

int PaintManager::OnPaint()
{
    if (!HasWindow()) return 0;
    if (::IsIconic(m_hWnd)) {
        // Nothing is drawn while minimized; the pending paint is dropped so that the
        // system does not send WM_PAINT again and again (restoring repaints anyway).
        ValidateRect(m_hWnd, nullptr);
        return 1;
    }
    RECT updateRect;
    if (!GetUpdateRect(m_hWnd, &updateRect, FALSE)) return 0;
    const CRect update(updateRect);
    CRect client;
    ::GetClientRect(m_hWnd, &client);
    const int w = client.Width(), h = client.Height();
    {
        ScopedPaint paint(m_hWnd);
        ScopedGetDC screen(m_hWnd);
        ScopedMemDC memory(screen);
        unsigned char* bits = nullptr;
        ScopedBitmap frame(MRender::CreateARGB32Bitmap(screen, w, h, &bits));
        if (!memory || !frame || !bits) return 1; // nothing to draw into (empty client area)
        ScopedSelectObject select(memory, frame);
        // A layered window takes the whole frame, so all of it is drawn and repaired.
        const CRect area = m_bLayered ? client : update;
        {
            ScopedSaveDC saved(memory);
            HDC dc = memory;
            if (m_bLayered) ClearPixels(bits, w, h, area.left, area.top, area.right, area.bottom);
            if (!CopyBackground(screen, bits, w, h)) {
                Gdiplus::Graphics graphics(dc);
                DrawBackground(graphics, client);
            }
            DrawControl(dc, area);
            // The caret is drawn here, over the controls.
            GdiFlush();
            if (m_bLayered) RepairAlpha(bits, w, h, area.left, area.top, area.right, area.bottom);
            if (m_bDrawInfo) {
                Gdiplus::Graphics graphics(dc);
                DrawInfoOverlay(graphics, w);
            }
            DrawMessageStrip(dc);
        }
        if (m_bLayered) {
            SetWindowLongW(m_hWnd, GWL_EXSTYLE, GetWindowLongW(m_hWnd, GWL_EXSTYLE) | WS_EX_LAYERED);
            SIZE size = {w, h};
            POINT origin = {0, 0};
            BLENDFUNCTION blend = {AC_SRC_OVER, 0, 255, AC_SRC_ALPHA};
            UpdateLayeredWindow(m_hWnd, screen, nullptr, &size, memory, &origin, 0, &blend, ULW_ALPHA);
        } else {
            ::BitBlt(paint, update.left, update.top, update.Width(), update.Height(), memory, update.left, update.top,
                     SRCCOPY);
        }
    }
    Sleep(kPaintPauseMs);
    return 1;
}

void PaintManager::DrawControl(HDC& dc, CRect rc)
{
    {
        ScopedCritSec lock(&m_csAreas);
        for (MControl* area : m_areas) area->Draw(dc, rc);
    }
    ScopedCritSec lock(&m_csControls);
    for (MControl* control : m_controls) control->Draw(dc, rc);
}

} // namespace KOVA
