#include "TestHost.h"

std::vector<unsigned>& DeletedIds()
{
    static std::vector<unsigned> ids;
    return ids;
}

const Frame* PaintNow(HostWindow& window)
{
    PaintProbe& probe = PaintProbe::Instance();
    const size_t before = probe.frames.size();
    InvalidateRect(window.GetSafeHwnd(), nullptr, TRUE);
    UpdateWindow(window.GetSafeHwnd());
    return probe.frames.size() > before ? &probe.frames.back() : nullptr;
}

COLORREF ScreenPixel(HWND hwnd, int x, int y)
{
    HDC dc = GetDC(hwnd);
    COLORREF c = GetPixel(dc, x, y);
    ReleaseDC(hwnd, dc);
    return c;
}
