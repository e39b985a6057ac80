#pragma once
// Small doubles for framework tests: a window that owns a control host the way a dialog
// does, and a control that paints a solid colour through the drawing cache.
#include <windows.h>
#include <string>
#include <vector>
#include "controls/MControl.h"
#include "core/MWindow.h"
#include "host/PaintManager.h"
#include "PaintProbe.h"

// A framework window with its host: messages go to the host first, then to the system.
class HostWindow : public KOVA::MWindow, public KOVA::MObject {
public:
    KOVA::PaintManager host;
    int initCalls = 0;

    const wchar_t* GetClassNameW() const override { return L"MDialog"; }
    int OnInitDialog() override
    {
        ++initCalls;
        host.Init(GetSafeHwnd(), this);
        return 1;
    }
    LRESULT OnWindowMessage(UINT msg, WPARAM wParam, LPARAM lParam) override
    {
        if (msg == WM_ERASEBKGND) return 1;
        if (LRESULT handled = host.OnWindowMessage(msg, wParam, lParam)) return handled;
        return MWindow::OnWindowMessage(msg, wParam, lParam);
    }
    void OnDestroyMessage(HWND hwnd) override
    {
        if (hwnd == host.GetPaintWnd()) host.DestroyData();
    }
    long OnControlUpdate(KOVA::CRect rc, int rebuild, KOVA::MControl* control) override
    {
        return host.OnControlUpdate(rc, rebuild, control);
    }

    // A popup at (x, y) of width x height, shown without activation.
    HWND Open(int x, int y, int width, int height, bool layered)
    {
        host.SetLayeredWindow(layered);
        HWND hwnd = Create(nullptr, L"kova test", WS_POPUP, WS_EX_TOOLWINDOW, KOVA::CRect(x, y, x + width, y + height));
        ShowWindow(SW_SHOWNOACTIVATE);
        return hwnd;
    }
    ~HostWindow() override { DestroyWindow(); }
};

// Deleted controls report their id here, in deletion order.
std::vector<unsigned>& DeletedIds();

// A control that fills its rectangle with one colour, drawn through the cache pattern.
class ColourBox : public KOVA::MControl {
public:
    ColourBox(KOVA::MObject* parent, unsigned id, KOVA::CRect rc, COLORREF colour)
        : MControl(parent, id, rc, 1, 1, 1), colour(colour)
    {
    }
    ~ColourBox() override { DeletedIds().push_back(m_uID); }

    COLORREF colour;
    int draws = 0;    // DrawControl calls
    int rebuilds = 0; // cache redrawn
    std::vector<std::wstring>* drawLog = nullptr;

    void DrawControl(HDC& dc, KOVA::CRect) override
    {
        ++draws;
        if (drawLog) drawLog->push_back(std::to_wstring(m_uID));
        const int w = m_rect.Width(), h = m_rect.Height();
        if (!m_bUpdate) {
            UpdateMemDC(dc, w, h);
            ++rebuilds;
            RECT all = {0, 0, w, h};
            SetBkColor(m_hCacheDC, colour);
            ExtTextOutW(m_hCacheDC, 0, 0, ETO_OPAQUE, &all, nullptr, 0, nullptr);
        }
        BitBlt(dc, m_rect.left, m_rect.top, w, h, m_hCacheDC, 0, 0, SRCCOPY);
    }

    // Containers fill these lists; the doubles reach them directly.
    void AddChild(KOVA::MControl* child) { m_controls.push_back(child); }
    void AddArea(KOVA::MControl* area) { m_areas.push_back(area); }
    HDC CacheDC() const { return m_hCacheDC; }
    int Animating() const { return m_bAnimating; }
    void SetHotChild(KOVA::MControl* child) { m_pHotChild = child; }
    KOVA::MControl* HotChild() const { return m_pHotChild; }
};

// Paints the whole window now (WM_PAINT through the host) and returns the frame that
// reached the layered window, or null when none did.
const Frame* PaintNow(HostWindow& window);

// The colour of a client pixel as the window shows it (non-layered windows).
COLORREF ScreenPixel(HWND hwnd, int x, int y);
