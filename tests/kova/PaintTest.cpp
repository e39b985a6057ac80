#include <gtest/gtest.h>

#include <windows.h>
#include <cstdlib>
#include <utility>
#include "core/Manager.h"
#include "host/PaintManager.h"
#include "support/PaintProbe.h"
#include "support/TestHost.h"
#include "support/TestImages.h"

using namespace KOVA;

namespace {
// The stored value of colour c drawn by GDI+ at alpha a over nothing: premultiplied.
int Premultiplied(int c, int a) { return c * a / 255; }

bool Near(int actual, int expected, int tolerance = 1) { return std::abs(actual - expected) <= tolerance; }

#define EXPECT_PIXEL(frame, x, y, a, r, g, b)                                                                        \
    do {                                                                                                               \
        std::uint32_t p_ = (frame).At(x, y);                                                                           \
        EXPECT_TRUE(Near(Alpha(p_), a) && Near(Red(p_), r) && Near(Green(p_), g) && Near(Blue(p_), b))                \
            << "(" << (x) << ", " << (y) << ") is A" << Alpha(p_) << " R" << Red(p_) << " G" << Green(p_) << " B"    \
            << Blue(p_) << ", expected A" << (a) << " R" << (r) << " G" << (g) << " B" << (b);                       \
    } while (0)

// A control drawing one colour with GDI straight into the frame (alpha byte left 0).
class GdiSpot : public MControl {
public:
    GdiSpot(MObject* parent, CRect rc, COLORREF colour) : MControl(parent, 1, rc, 1, 1, 1), colour(colour) {}
    COLORREF colour;
    void DrawControl(HDC& dc, CRect) override
    {
        SetBkColor(dc, colour);
        ExtTextOutW(dc, 0, 0, ETO_OPAQUE, &m_rect, nullptr, 0, nullptr);
    }
};

// Four solid quadrants, 20 x 20.
std::uint32_t Quadrants(int x, int y)
{
    if (y < 10) return x < 10 ? 0xFFFF0000 : 0xFF00FF00;
    return x < 10 ? 0xFF0000FF : 0xFFFFFF00;
}
} // namespace

TEST(Paint, ProbeWatchesTheFramework) { ASSERT_TRUE(PaintProbe::Instance().hooked); }

TEST(Paint, LayeredWindowWithoutBackgroundShowsBorderAndBodyAtAlpha254)
{
    PaintProbe& probe = PaintProbe::Instance();
    probe.Clear();
    HostWindow w;
    ASSERT_NE(w.Open(100, 100, 340, 250, true), nullptr);
    const Frame* frame = PaintNow(w);
    ASSERT_NE(frame, nullptr);
    EXPECT_EQ(frame->hwnd, w.GetSafeHwnd());
    ASSERT_EQ(frame->width, 340);
    ASSERT_EQ(frame->height, 250);
    const int A = 254;
    using XY = std::pair<int, int>;
    for (auto [x, y] : {XY{0, 0}, XY{339, 0}, XY{0, 249}, XY{339, 249}, XY{170, 0}, XY{0, 125}, XY{339, 125}, XY{170, 249}})
        EXPECT_PIXEL(*frame, x, y, A, Premultiplied(189, A), Premultiplied(48, A), Premultiplied(255, A));
    for (auto [x, y] : {XY{1, 1}, XY{338, 248}, XY{170, 125}, XY{1, 248}})
        EXPECT_PIXEL(*frame, x, y, A, Premultiplied(5, A), Premultiplied(5, A), Premultiplied(5, A));
    EXPECT_TRUE(GetWindowLongW(w.GetSafeHwnd(), GWL_EXSTYLE) & WS_EX_LAYERED) << "the host made the window layered";
    EXPECT_EQ(probe.pauses, probe.frameCount) << "every paint pauses 15 ms";
}

TEST(Paint, BackgroundColoursCanBeChanged)
{
    HostWindow w;
    w.host.SetBackColor(RGB(10, 20, 30), RGB(200, 100, 50));
    ASSERT_NE(w.Open(100, 100, 50, 40, true), nullptr);
    const Frame* frame = PaintNow(w);
    ASSERT_NE(frame, nullptr);
    EXPECT_PIXEL(*frame, 0, 0, 254, Premultiplied(200, 254), Premultiplied(100, 254), Premultiplied(50, 254));
    EXPECT_PIXEL(*frame, 25, 20, 254, Premultiplied(10, 254), Premultiplied(20, 254), Premultiplied(30, 254));
}

TEST(Paint, AlphaRepairMakesGdiPixelsOpaqueButLeavesBlackTransparent)
{
    HostWindow w;
    ASSERT_NE(w.Open(100, 100, 100, 60, true), nullptr);
    w.host.InsertControl(1, new GdiSpot(&w, CRect(10, 10, 30, 30), RGB(1, 0, 0)));
    w.host.InsertControl(1, new GdiSpot(&w, CRect(40, 10, 60, 30), RGB(0, 0, 0)));
    w.host.InsertControl(1, new GdiSpot(&w, CRect(70, 10, 90, 30), RGB(30, 60, 90)));
    const Frame* frame = PaintNow(w);
    ASSERT_NE(frame, nullptr);
    EXPECT_EQ(frame->At(20, 20), 0xFF010000u) << "(1, 0, 0) with alpha 0 becomes opaque";
    EXPECT_EQ(frame->At(50, 20), 0x00000000u) << "black with alpha 0 stays fully transparent";
    EXPECT_EQ(frame->At(80, 20), 0xFF1E3C5Au);
    EXPECT_EQ(Alpha(frame->At(5, 5)), 254) << "pixels GDI+ drew keep their alpha";
}

TEST(Paint, PlainWindowCopiesOnlyTheUpdateRectangle)
{
    HostWindow w;
    ASSERT_NE(w.Open(120, 120, 120, 80, false), nullptr);
    auto* box = static_cast<ColourBox*>(w.host.InsertControl(1, new ColourBox(&w, 1, CRect(0, 0, 120, 80), RGB(0, 0, 200))));
    PaintNow(w);
    ASSERT_EQ(ScreenPixel(w.GetSafeHwnd(), 10, 10), RGB(0, 0, 200));
    EXPECT_TRUE(PaintProbe::Instance().frames.empty() || PaintProbe::Instance().frames.back().hwnd != w.GetSafeHwnd())
        << "no layered output for a plain window";

    box->colour = RGB(0, 200, 0);
    box->SetUpdate(0, 0);
    RECT part = {60, 0, 120, 80};
    InvalidateRect(w.GetSafeHwnd(), &part, FALSE);
    UpdateWindow(w.GetSafeHwnd());
    EXPECT_EQ(ScreenPixel(w.GetSafeHwnd(), 100, 40), RGB(0, 200, 0));
    EXPECT_EQ(ScreenPixel(w.GetSafeHwnd(), 10, 40), RGB(0, 0, 200)) << "outside the update rectangle: untouched";
}

TEST(Paint, BackgroundImageIsStretchedOverTheClientArea)
{
    const std::wstring name = L"paint-quadrants.png";
    ASSERT_TRUE(WritePng(SkinFolder() + name, 20, 20, Quadrants));
    HostWindow w;
    EXPECT_EQ(w.host.LoadBKImage(CString(name.c_str())), 1);
    ASSERT_NE(w.Open(100, 100, 200, 100, true), nullptr);
    const Frame* frame = PaintNow(w);
    ASSERT_NE(frame, nullptr);
    EXPECT_PIXEL(*frame, 50, 25, 255, 255, 0, 0);
    EXPECT_PIXEL(*frame, 150, 25, 255, 0, 255, 0);
    EXPECT_PIXEL(*frame, 50, 75, 255, 0, 0, 255);
    EXPECT_PIXEL(*frame, 150, 75, 255, 255, 255, 0);

    EXPECT_EQ(w.host.LoadBKImage(CString(L"paint-missing.png")), 0);
    frame = PaintNow(w);
    ASSERT_NE(frame, nullptr);
    // A failed load leaves the two-colour fill.
    EXPECT_PIXEL(*frame, 0, 0, 254, Premultiplied(189, 254), Premultiplied(48, 254), Premultiplied(255, 254));
}

TEST(Paint, FrameModeDrawsTheImageAsNineParts)
{
    // 12 x 12: corners 4 x 4 in four colours, edges grey, centre white.
    const std::wstring name = L"paint-frame.png";
    ASSERT_TRUE(WritePng(SkinFolder() + name, 12, 12, [](int x, int y) -> std::uint32_t {
        const bool left = x < 4, right = x >= 8, top = y < 4, bottom = y >= 8;
        if (top && left) return 0xFFFF0000;
        if (top && right) return 0xFF00FF00;
        if (bottom && left) return 0xFF0000FF;
        if (bottom && right) return 0xFFFFFF00;
        if (left || right || top || bottom) return 0xFF808080;
        return 0xFFFFFFFF;
    }));
    HostWindow w;
    ASSERT_EQ(w.host.LoadBKImage(CString(name.c_str())), 1);
    w.host.SetBackMode(BACK_MODE_FRAME, 4);
    ASSERT_NE(w.Open(100, 100, 100, 60, true), nullptr);
    const Frame* frame = PaintNow(w);
    ASSERT_NE(frame, nullptr);
    EXPECT_PIXEL(*frame, 1, 1, 255, 255, 0, 0);
    EXPECT_PIXEL(*frame, 98, 1, 255, 0, 255, 0);
    EXPECT_PIXEL(*frame, 1, 58, 255, 0, 0, 255);
    EXPECT_PIXEL(*frame, 98, 58, 255, 255, 255, 0);
    EXPECT_PIXEL(*frame, 50, 1, 255, 128, 128, 128);
    EXPECT_PIXEL(*frame, 1, 30, 255, 128, 128, 128);
    EXPECT_PIXEL(*frame, 50, 30, 255, 255, 255, 255);

    w.host.SetBackMode(static_cast<enumBackMode>(7), 4);
    frame = PaintNow(w);
    ASSERT_NE(frame, nullptr);
    EXPECT_EQ(frame->At(50, 30), 0u) << "an unknown mode draws no image (and no fill)";
}

TEST(Paint, BackgroundFromAResourceOfTheApplication)
{
    HostWindow w;
    Manager::SetInstance(GetModuleHandleW(L"kova.dll")); // any module with a PNG resource
    EXPECT_EQ(w.host.LoadBKImage(102, CString(L"PNG")), 1);
    EXPECT_EQ(w.host.LoadBKImage(999, CString(L"PNG")), 0);
    Manager::SetInstance(nullptr);
}

TEST(Paint, MinimizedWindowIsNotPaintedAndDoesNotAskAgain)
{
    PaintProbe& probe = PaintProbe::Instance();
    HostWindow w;
    ASSERT_NE(w.Open(100, 100, 80, 60, true), nullptr);
    ASSERT_NE(PaintNow(w), nullptr);
    w.ShowWindow(SW_SHOWMINNOACTIVE);
    ASSERT_TRUE(IsIconic(w.GetSafeHwnd()));
    probe.Clear();
    InvalidateRect(w.GetSafeHwnd(), nullptr, TRUE);
    EXPECT_EQ(SendMessageW(w.GetSafeHwnd(), WM_PAINT, 0, 0), 1) << "reported handled";
    EXPECT_EQ(probe.frameCount, 0);
    RECT update;
    EXPECT_FALSE(GetUpdateRect(w.GetSafeHwnd(), &update, FALSE)) << "the pending paint is dropped";
}

TEST(Paint, NothingToPaintGoesToTheDefaultProcedure)
{
    HostWindow w;
    ASSERT_NE(w.Open(100, 100, 80, 60, true), nullptr);
    PumpFor(50);
    ValidateRect(w.GetSafeHwnd(), nullptr);
    PaintProbe::Instance().Clear();
    EXPECT_EQ(w.host.OnWindowMessage(WM_PAINT, 0, 0), 0);
    EXPECT_EQ(PaintProbe::Instance().frameCount, 0);
}
