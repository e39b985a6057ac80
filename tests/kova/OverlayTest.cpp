#include <gtest/gtest.h>

#include <windows.h>
#include <gdiplus.h>
#include <cstdlib>
#include <string>
#include "core/Manager.h"
#include "host/PaintManager.h"
#include "support/PaintProbe.h"
#include "support/TestHost.h"

using namespace KOVA;

namespace {
const int kWidth = 340, kHeight = 250;
const RECT kBox = {kWidth / 2 - 60, 70, kWidth / 2 + 60, 130};

// What the read-out must look like: the default two-colour background with text drawn
// in the framework font at 50 px, centred in the 120 x 60 box at y 70.
Frame Reference(const wchar_t* text)
{
    Frame f;
    f.width = kWidth;
    f.height = kHeight;
    BITMAPINFO info = {};
    info.bmiHeader = {sizeof(BITMAPINFOHEADER), kWidth, -kHeight, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
    void* bits = nullptr;
    HDC dc = CreateCompatibleDC(nullptr);
    HBITMAP bitmap = CreateDIBSection(dc, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    HGDIOBJ old = SelectObject(dc, bitmap);
    {
        Gdiplus::Graphics g(dc);
        Gdiplus::SolidBrush border(Gdiplus::Color(0xFEBD30FF)), inner(Gdiplus::Color(0xFE050505));
        g.SetCompositingMode(Gdiplus::CompositingModeSourceCopy);
        g.FillRectangle(&border, 0, 0, kWidth, kHeight);
        g.FillRectangle(&inner, 1, 1, kWidth - 2, kHeight - 2);
        g.SetCompositingMode(Gdiplus::CompositingModeSourceOver);
        Gdiplus::FontFamily family(Manager::GetFontName());
        Gdiplus::Font font(&family, 50, Gdiplus::FontStyleRegular, Gdiplus::UnitPixel);
        g.SetTextRenderingHint(Gdiplus::TextRenderingHintClearTypeGridFit);
        Gdiplus::StringFormat format;
        format.SetAlignment(Gdiplus::StringAlignmentCenter);
        format.SetLineAlignment(Gdiplus::StringAlignmentCenter);
        format.SetFormatFlags(0x1800);
        Gdiplus::SolidBrush brush(Gdiplus::Color(0xFFFBFBFB));
        g.DrawString(text, -1, &font, Gdiplus::RectF(float(kBox.left), 70, 120, 60), &format, &brush);
    }
    GdiFlush();
    auto* p = static_cast<const std::uint32_t*>(bits);
    f.pixels.assign(p, p + kWidth * kHeight);
    SelectObject(dc, old);
    DeleteObject(bitmap);
    DeleteDC(dc);
    return f;
}

// Pixels of the box that differ by more than 1 in some channel.
int DifferencesInBox(const Frame& a, const Frame& b)
{
    int n = 0;
    for (int y = kBox.top; y < kBox.bottom; ++y)
        for (int x = kBox.left; x < kBox.right; ++x) {
            std::uint32_t p = a.At(x, y), q = b.At(x, y);
            for (int shift = 0; shift < 32; shift += 8)
                if (std::abs(int((p >> shift) & 0xFF) - int((q >> shift) & 0xFF)) > 1) {
                    ++n;
                    break;
                }
        }
    return n;
}

// Bounding box of the text's ink (pixels brighter than the body) anywhere in the frame
// below the hot spot's outline.
RECT InkBounds(const Frame& f)
{
    RECT r = {kWidth, kHeight, -1, -1};
    for (int y = 40; y < kHeight - 1; ++y)
        for (int x = 1; x < kWidth - 1; ++x)
            if (Red(f.At(x, y)) > 60) {
                r.left = std::min<LONG>(r.left, x);
                r.top = std::min<LONG>(r.top, y);
                r.right = std::max<LONG>(r.right, x + 1);
                r.bottom = std::max<LONG>(r.bottom, y + 1);
            }
    return r;
}

int OutlinePixels(const Frame& f)
{
    int n = 0;
    for (int y = 5; y < 32; ++y)
        for (int x = 270; x < 298; ++x) {
            std::uint32_t p = f.At(x, y);
            n += Red(p) == 200 && Green(p) == 200 && Blue(p) == 200 && Alpha(p) == 255;
        }
    return n;
}

class Overlay : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_NE(window.Open(200, 200, kWidth, kHeight, true), nullptr);
        window.host.EnableDrawInfo(TRUE);
        PaintProbe::Instance().fakeCursor = true;
        MoveCursor(-50, -50);
    }
    void TearDown() override
    {
        PaintProbe::Instance().fakeCursor = false;
        Manager::SetCPUTemp(0.0f);
    }
    void MoveCursor(int x, int y)
    {
        POINT pt = {x, y};
        ClientToScreen(window.GetSafeHwnd(), &pt);
        PaintProbe::Instance().cursor = pt;
    }
    HostWindow window;
};
} // namespace

TEST_F(Overlay, TemperatureIsTruncatedAndCentredInTheBox)
{
    struct Case {
        float value;
        const wchar_t* shown;
        const wchar_t* wrong;
    } cases[] = {{45.9f, L"45", L"46"}, {-3.7f, L"-3", L"-4"}, {199.99f, L"199", L"200"}, {0.0f, L"0", L"1"}};
    for (const Case& c : cases) {
        Manager::SetCPUTemp(c.value);
        const Frame* frame = PaintNow(window);
        ASSERT_NE(frame, nullptr);
        EXPECT_EQ(DifferencesInBox(*frame, Reference(c.shown)), 0) << c.value << " draws " << std::wstring(c.shown).size();
        EXPECT_GT(DifferencesInBox(*frame, Reference(c.wrong)), 20) << c.value << " is not drawn rounded";

        RECT ink = InkBounds(*frame);
        ASSERT_LT(ink.left, ink.right) << c.value << ": text was drawn";
        EXPECT_GE(ink.left, kBox.left);
        EXPECT_LE(ink.right, kBox.right);
        EXPECT_GE(ink.top, kBox.top);
        EXPECT_LE(ink.bottom, kBox.bottom);
        EXPECT_LE(std::abs((ink.left + ink.right) - (kBox.left + kBox.right)), 6)
            << c.value << ": horizontally centred, ink " << ink.left << ".." << ink.right;
        EXPECT_EQ(Alpha(frame->At((ink.left + ink.right) / 2, 5)), 254) << "the rest of the frame is untouched";
    }
}

TEST_F(Overlay, OutlineFollowsThePointerOverTheHotSpot)
{
    struct Case {
        int x, y;
        bool outlined;
    } cases[] = {{274, 10, false}, {275, 10, true}, {292, 26, true}, {293, 27, false}, {292, 27, false}, {284, 9, false}};
    for (const Case& c : cases) {
        MoveCursor(c.x, c.y);
        const Frame* frame = PaintNow(window);
        ASSERT_NE(frame, nullptr);
        if (c.outlined) EXPECT_GE(OutlinePixels(*frame), 60) << "pointer at " << c.x << ", " << c.y;
        else EXPECT_EQ(OutlinePixels(*frame), 0) << "pointer at " << c.x << ", " << c.y;
    }
    // The outline is the rectangle x 275, y 10, 18 x 17.
    MoveCursor(280, 15);
    const Frame* frame = PaintNow(window);
    ASSERT_NE(frame, nullptr);
    EXPECT_EQ(frame->At(284, 10), 0xFFC8C8C8u);
    EXPECT_EQ(frame->At(275, 18), 0xFFC8C8C8u);
    EXPECT_NE(frame->At(284, 15), 0xFFC8C8C8u) << "an outline, not a fill";
}

TEST_F(Overlay, NothingIsDrawnWhenSwitchedOff)
{
    Manager::SetCPUTemp(45.0f);
    MoveCursor(280, 15);
    window.host.EnableDrawInfo(FALSE);
    const Frame* frame = PaintNow(window);
    ASSERT_NE(frame, nullptr);
    RECT ink = InkBounds(*frame);
    EXPECT_GE(ink.left, ink.right) << "no text";
    EXPECT_EQ(OutlinePixels(*frame), 0);
}

TEST_F(Overlay, UnusableTemperaturesDrawANumberInsteadOfOverflowing)
{
    Manager::SetCPUTemp(std::nanf(""));
    const Frame* frame = PaintNow(window);
    ASSERT_NE(frame, nullptr);
    EXPECT_EQ(DifferencesInBox(*frame, Reference(L"0")), 0) << "NaN reads as 0";
}

TEST_F(Overlay, WithoutTheFrameworkFontTheTextIsLeftOutAndTheRestDrawn)
{
    Manager::SetFontName(L"No Such Face At All");
    Manager::SetCPUTemp(45.0f);
    MoveCursor(280, 15);
    const Frame* frame = PaintNow(window);
    Manager::SetFontName(L"Arial");
    ASSERT_NE(frame, nullptr);
    RECT ink = InkBounds(*frame);
    EXPECT_GE(ink.left, ink.right) << "no text";
    EXPECT_GE(OutlinePixels(*frame), 60) << "the outline is still drawn";
    EXPECT_EQ(Alpha(frame->At(170, 100)), 254) << "and the background";
}
