#include <gtest/gtest.h>

#include <windows.h>
#include <gdiplus.h>
#include <cmath>
#include <cstdlib>
#include <vector>
#include "paint/AlphaRepair.h"
#include "render/BlendMath.h"
#include "render/MRender.h"
#include "support/TestImages.h"
#include "support/TestPaths.h"

using namespace KOVA;

namespace {
// A 32-bit top-down DIB in a memory DC, for checking what a routine drew.
class Canvas {
public:
    Canvas(int width, int height, std::uint32_t fill = 0) : width(width), height(height)
    {
        BITMAPINFO info = {};
        info.bmiHeader = {sizeof(BITMAPINFOHEADER), width, -height, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
        dc = CreateCompatibleDC(nullptr);
        void* p = nullptr;
        bitmap = CreateDIBSection(dc, &info, DIB_RGB_COLORS, &p, nullptr, 0);
        bits = static_cast<std::uint32_t*>(p);
        old = SelectObject(dc, bitmap);
        std::fill(bits, bits + width * height, fill);
    }
    ~Canvas()
    {
        SelectObject(dc, old);
        DeleteObject(bitmap);
        DeleteDC(dc);
    }
    std::uint32_t At(int x, int y)
    {
        GdiFlush();
        return bits[y * width + x];
    }
    int width, height;
    HDC dc;
    HBITMAP bitmap;
    HGDIOBJ old;
    std::uint32_t* bits;
};

int Channel(std::uint32_t p, int shift) { return int((p >> shift) & 0xFF); }
} // namespace

TEST(Render, OriginPointPlacesByAlignment)
{
    struct Case {
        unsigned h, v;
        int x, y;
    } cases[] = {{0, 0, 0, 0}, {1, 8, 40, 40}, {2, 4, 80, 20}, {1, 4, 40, 20}, {3, 2, 0, 0}};
    for (const Case& c : cases) {
        CPoint p = MRender::GetOriginPoint(100, 50, 20, 10, c.h, c.v);
        EXPECT_EQ(p, CPoint(c.x, c.y)) << c.h << "/" << c.v;
    }
    EXPECT_EQ(MRender::GetOriginPoint(CRect(10, 10, 110, 60), 20, 10, 1, 8), CPoint(50, 52));
    EXPECT_EQ(MRender::GetOriginPoint(101, 51, 20, 10, 1, 4), CPoint(40, 20)) << "halving truncates";
    EXPECT_EQ(MRender::GetOriginPoint(10, 10, 21, 13, 1, 4), CPoint(-5, -1)) << "toward zero";
}

TEST(Render, ImageRectShrinksToFitAndCentres)
{
    const CRect box(10, 20, 110, 70); // 100 x 50, ratio 2
    struct Case {
        int w, h;
        CRect expected;
    } cases[] = {
        {40, 20, CRect(40, 35, 80, 55)},    // fits: natural size, centred
        {400, 100, CRect(10, 32, 110, 57)}, // larger both ways, wider than the box: to box width
        {200, 200, CRect(35, 20, 85, 70)},  // larger both ways, taller: to box height
        {300, 30, CRect(10, 40, 110, 50)},  // only wider
        {20, 100, CRect(55, 20, 65, 70)},   // only taller
    };
    for (const Case& c : cases) EXPECT_EQ(MRender::GetImageRect(c.w, c.h, box), c.expected) << c.w << "x" << c.h;
}

TEST(Render, CheckAlphaColorKeepsBlackOffPureBlack)
{
    struct Case {
        unsigned long in, out;
    } cases[] = {{0xFF000000, 0xFF000001}, {0x00000000, 0x00000001}, {0xFF000100, 0xFF000100},
                 {0x00010000, 0x00010000}, {0x12345678, 0x12345678}};
    for (const Case& c : cases) {
        unsigned long v = c.in;
        MRender::CheckAlphaColor(v);
        EXPECT_EQ(v, c.out) << std::hex << c.in;
    }
}

TEST(Render, DrawColorSkipsTransparentColours)
{
    Canvas canvas(10, 10, 0x11223344);
    MRender::DrawColor(canvas.dc, RECT{0, 0, 10, 10}, 0x00FF0000);
    EXPECT_EQ(canvas.At(5, 5), 0x11223344u) << "alpha 0 draws nothing";
    MRender::DrawColor(canvas.dc, RECT{2, 2, 6, 6}, 0xFF00FF00);
    EXPECT_EQ(canvas.At(3, 3), 0xFF00FF00u);
    EXPECT_EQ(canvas.At(7, 7), 0x11223344u);
}

TEST(Render, FillSolidRectAndTextUseGdi)
{
    Canvas canvas(40, 20, 0);
    HDC dc = canvas.dc;
    MRender::FillSolidRect(dc, 0, 0, 40, 20, RGB(255, 255, 255));
    EXPECT_EQ(canvas.At(39, 19) & 0xFFFFFF, 0xFFFFFFu);
    MRender::FillSolidRect(dc, 5, 5, 10, 10, RGB(10, 20, 30));
    EXPECT_EQ(canvas.At(5, 5) & 0xFFFFFF, 0x0A141Eu);
    EXPECT_EQ(canvas.At(15, 15) & 0xFFFFFF, 0xFFFFFFu);

    CRect rc(0, 0, 40, 20);
    MRender::DrawTextW(dc, rc, nullptr, RGB(0, 0, 0), nullptr, 0); // null text: nothing
    EXPECT_EQ(canvas.At(20, 10) & 0xFFFFFF, 0xFFFFFFu);
    const COLORREF before = GetTextColor(dc);
    MRender::DrawTextW(dc, rc, L"WW", RGB(0, 0, 0), static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT)),
                       DT_LEFT | DT_TOP | DT_SINGLELINE);
    int dark = 0;
    for (int y = 0; y < 20; ++y)
        for (int x = 0; x < 40; ++x) dark += (canvas.At(x, y) & 0xFF) < 128;
    EXPECT_GT(dark, 5) << "the text was drawn";
    EXPECT_EQ(GetTextColor(dc), before) << "the DC's colour is restored";
}

TEST(Render, ARGB32BitmapIsBottomUp)
{
    HDC screen = GetDC(nullptr);
    unsigned char* bits = nullptr;
    HBITMAP bitmap = MRender::CreateARGB32Bitmap(screen, 4, 3, &bits);
    ASSERT_NE(bitmap, nullptr);
    ASSERT_NE(bits, nullptr);
    DIBSECTION dib = {};
    ASSERT_EQ(GetObjectW(bitmap, sizeof(dib), &dib), int(sizeof(dib)));
    EXPECT_EQ(dib.dsBm.bmBitsPixel, 32);
    EXPECT_GT(dib.dsBmih.biHeight, 0) << "bottom-up";
    bits[0] = 0x11; // first bytes: blue of the bottom-left pixel
    HDC dc = CreateCompatibleDC(screen);
    HGDIOBJ old = SelectObject(dc, bitmap);
    EXPECT_EQ(GetPixel(dc, 0, 2), RGB(0, 0, 0x11));
    SelectObject(dc, old);
    DeleteDC(dc);
    DeleteObject(bitmap);
    ReleaseDC(nullptr, screen);
}

TEST(Render, NinePartDrawingKeepsCornersAndStretchesTheRest)
{
    // Source 12 x 14 with margins left 2, top 3, right 4, bottom 5, one colour per cell.
    Gdiplus::Bitmap source(12, 14, PixelFormat32bppARGB);
    auto cell = [](int x, int y) -> std::uint32_t {
        const int col = x < 2 ? 0 : x < 8 ? 1 : 2, row = y < 3 ? 0 : y < 9 ? 1 : 2;
        return 0xFF000000u | (col * 100 + 20) << 16 | (row * 100 + 20) << 8 | 0x40;
    };
    for (int y = 0; y < 14; ++y)
        for (int x = 0; x < 12; ++x) source.SetPixel(x, y, Gdiplus::Color(cell(x, y)));

    Canvas canvas(60, 50);
    {
        Gdiplus::Graphics g(canvas.dc);
        MRender::DrawImageFrameMID(g, &source, CRect(0, 0, 60, 50), 0, 0, 12, 14, 2, 3, 4, 5);
    }
    struct Probe {
        int x, y, col, row;
    } probes[] = {
        {0, 0, 0, 0},   {1, 2, 0, 0},   {58, 1, 2, 0},  {56, 0, 2, 0},  {0, 49, 0, 2}, {1, 45, 0, 2},
        {59, 49, 2, 2}, {56, 45, 2, 2}, {30, 1, 1, 0},  {30, 47, 1, 2}, {1, 25, 0, 1}, {57, 25, 2, 1},
        {30, 25, 1, 1},
    };
    for (const Probe& p : probes) {
        std::uint32_t got = canvas.At(p.x, p.y);
        EXPECT_EQ(Channel(got, 16), p.col * 100 + 20) << p.x << ", " << p.y;
        EXPECT_EQ(Channel(got, 8), p.row * 100 + 20) << p.x << ", " << p.y;
    }

    Canvas equal(30, 30);
    {
        Gdiplus::Graphics g(equal.dc);
        MRender::DrawImageFrame(g, &source, CRect(0, 0, 30, 30), 0, 0, 12, 14, 2);
        MRender::DrawImageFrame(g, nullptr, CRect(0, 0, 30, 30), 0, 0, 12, 14, 2); // no image: nothing
    }
    EXPECT_EQ(Channel(equal.At(0, 0), 16), 20);
    EXPECT_EQ(Channel(equal.At(29, 29), 16), 220);
    EXPECT_EQ(Channel(equal.At(29, 29), 8), 220);
}

TEST(Render, VerticalTransitionBlendsRowByRow)
{
    Canvas src(8, 10, 0xFFFFFFFF), dst(8, 10, 0xFF000000);
    HDC s = src.dc, d = dst.dc;
    EXPECT_EQ(MRender::DrawVerticalTransition(d, s, CRect(0, 0, 8, 10), CRect(0, 0, 8, 10), 80, 80), 51);
    for (int y = 0; y < 10; ++y) EXPECT_NEAR(Channel(dst.At(3, y), 0), 51, 1) << "row " << y;

    Canvas fresh(8, 10, 0xFF000000);
    HDC f = fresh.dc;
    const int last = MRender::DrawVerticalTransition(f, s, CRect(0, 0, 8, 10), CRect(0, 0, 8, 10), 0, 100);
    for (int y = 0; y < 10; ++y)
        EXPECT_NEAR(Channel(fresh.At(3, y), 0), int(255 - y * 25.5), 1) << "row " << y;
    EXPECT_EQ(last, int(255 - 9 * 25.5));
    EXPECT_EQ(MRender::DrawVerticalTransition(f, s, CRect(0, 0, 8, 0), CRect(0, 0, 8, 0), 0, 100), 255)
        << "no rows";

    Canvas wide(10, 4, 0xFFFFFFFF), across(10, 4, 0xFF000000);
    HDC w = wide.dc, a = across.dc;
    MRender::DrawHorizontalTransition(a, w, CRect(0, 0, 10, 4), CRect(0, 0, 10, 4), 100, 0);
    for (int x = 0; x < 10; ++x)
        EXPECT_NEAR(Channel(across.At(x, 2), 0), int(x * 25.5), 1) << "column " << x << " grows more opaque";
}

TEST(Render, CornerFadeCoversTheLowerRightQuarterCircle)
{
    Canvas src(20, 20, 0xFFFFFFFF), dst(20, 20, 0xFF000000);
    HDC s = src.dc, d = dst.dc;
    MRender::DrawRightBottomTransition(d, s, CRect(0, 0, 20, 20), 10, 0);
    EXPECT_NEAR(Channel(dst.At(10, 10), 0), 255, 1) << "full at the corner's origin";
    EXPECT_NEAR(Channel(dst.At(19, 10), 0), 255 - 9 * 255 / 10, 1);
    EXPECT_EQ(Channel(dst.At(19, 19), 0), 0) << "beyond the radius";
    EXPECT_EQ(Channel(dst.At(5, 5), 0), 0) << "outside the corner";
}

TEST(Render, GradientRunsBetweenTheTwoColours)
{
    Canvas canvas(100, 10, 0xFF000000);
    MRender::DrawGradient(canvas.dc, RECT{0, 0, 100, 10}, 0xFFFF0000, 0xFF0000FF, false, 64);
    EXPECT_GT(Channel(canvas.At(0, 5), 16), 240);
    EXPECT_LT(Channel(canvas.At(0, 5), 0), 15);
    EXPECT_GT(Channel(canvas.At(99, 5), 0), 240);
    EXPECT_NEAR(Channel(canvas.At(50, 5), 16), 128, 8);

    Canvas vertical(10, 100, 0xFF000000);
    MRender::DrawGradient(vertical.dc, RECT{0, 0, 10, 100}, 0xFF000000, 0xFF00FF00, true, 8);
    EXPECT_LT(Channel(vertical.At(5, 0), 8), 15);
    EXPECT_GT(Channel(vertical.At(5, 99), 8), 240);

    Canvas none(10, 10, 0xFF123456);
    MRender::DrawGradient(none.dc, RECT{0, 0, 10, 10}, 0x00FF0000, 0x000000FF, false, 8);
    EXPECT_EQ(none.At(5, 5), 0xFF123456u) << "mean alpha 0 draws nothing";

    Canvas half(10, 10, 0xFF000000);
    MRender::DrawGradient(half.dc, RECT{0, 0, 10, 10}, 0x80FFFFFF, 0x80FFFFFF, false, 8);
    EXPECT_NEAR(Channel(half.At(5, 5), 16), 128, 2) << "translucent: blended at the mean alpha";
}

TEST(Render, RoundedShapesAndRotation)
{
    Canvas canvas(40, 40, 0);
    {
        Gdiplus::Graphics g(canvas.dc);
        MRender::DrawRoundRectange(g, 0, 0, 40, 40, 10, Gdiplus::Color(0xFFFF0000));
    }
    EXPECT_EQ(Channel(canvas.At(20, 20), 16), 255);
    EXPECT_EQ(canvas.At(0, 0), 0u) << "the corner is cut";
    EXPECT_EQ(Channel(canvas.At(20, 1), 16), 255) << "the edge between the corners is filled";

    Canvas outlined(40, 40, 0);
    {
        Gdiplus::Graphics g(outlined.dc);
        MRender::DrawRoundRectange(g, 2, 2, 36, 36, 4, Gdiplus::Color(0xFF00FF00), 1.0f, true,
                                   Gdiplus::Color(0xFF0000FF));
    }
    EXPECT_EQ(Channel(outlined.At(20, 20), 0), 255) << "filled first";
    EXPECT_EQ(Channel(outlined.At(20, 2), 8), 255) << "then outlined";

    Gdiplus::GraphicsPath path;
    MRender::AddRoundedRectangle(path, 0, 0, 20, 10, 3);
    Gdiplus::RectF bounds;
    path.GetBounds(&bounds);
    EXPECT_NEAR(bounds.Width, 20, 0.01);
    EXPECT_NEAR(bounds.Height, 10, 0.01);

    Gdiplus::PointF p(11, 5);
    MRender::RotatePoint(p, 90, Gdiplus::PointF(10, 5));
    EXPECT_NEAR(p.X, 10, 1e-4);
    EXPECT_NEAR(p.Y, 6, 1e-4);
}

TEST(Render, TextBoundsFollowThePathAndTheFontHeight)
{
    Gdiplus::FontFamily family(L"Arial");
    Gdiplus::Font font(&family, 20, Gdiplus::FontStyleRegular, Gdiplus::UnitPixel);
    Gdiplus::Size one = MRender::GetTextBounds(font, CString(L"1"));
    Gdiplus::Size many = MRender::GetTextBounds(font, CString(L"1111"));
    EXPECT_GT(one.Width, 0);
    EXPECT_GT(many.Width, one.Width * 3);
    const float fh = font.GetHeight(0.0f);
    const int expected = int(fh != std::floor(fh) ? fh + 4 : fh + 1);
    EXPECT_EQ(one.Height, expected);

    Gdiplus::StringFormat format;
    Gdiplus::Size wrapped = MRender::GetTextBounds(font, format, 60, CString(L"1111 1111 1111 1111"));
    EXPECT_LE(wrapped.Width, 61) << "the layout width wraps the lines";
    // Under Wine the path of a wrapped layout measures a single line; the height is at
    // least the font's line either way.
    EXPECT_GE(wrapped.Height, int(fh) + 1);
}

TEST(Render, BitmapIsSavedAsABmpFile)
{
    Canvas canvas(3, 2, 0);
    canvas.bits[0] = 0x00FF0000; // top-left red
    canvas.bits[5] = 0x000000FF; // bottom-right blue
    const std::wstring folder = MakeTempFolder(L"kova-bmp");
    const std::wstring path = folder + L"\\out.bmp";
    SelectObject(canvas.dc, canvas.old); // GetDIBits wants the bitmap free
    ASSERT_EQ(MRender::SaveBitmapToFile(canvas.bitmap, CString(path.c_str())), 1);
    canvas.old = SelectObject(canvas.dc, canvas.bitmap);

    HANDLE file = CreateFileW(path.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(file, INVALID_HANDLE_VALUE);
    std::vector<unsigned char> data(4096);
    DWORD read = 0;
    ReadFile(file, data.data(), DWORD(data.size()), &read, nullptr);
    CloseHandle(file);
    data.resize(read);
    ASSERT_GE(data.size(), 54u);
    EXPECT_EQ(data[0], 'B');
    EXPECT_EQ(data[1], 'M');
    auto u32 = [&](size_t at) { return data[at] | data[at + 1] << 8 | data[at + 2] << 16 | data[at + 3] << 24; };
    auto u16 = [&](size_t at) { return data[at] | data[at + 1] << 8; };
    EXPECT_EQ(u32(10), 54u) << "pixels follow the two headers";
    EXPECT_EQ(u32(14), 40u);
    EXPECT_EQ(int(u32(18)), 3);
    const int depth = u16(28);
    EXPECT_EQ(depth, 24) << "the display's depth";
    const unsigned stride = ((depth * 3 + 31) / 32) * 4;
    EXPECT_EQ(u32(2), 54 + stride * 2) << "file size";
    EXPECT_EQ(data.size(), 54 + stride * 2);
    // Bottom-up rows: the second row in the file is the top line; its first pixel is red.
    EXPECT_EQ(data[54 + stride + 2], 0xFF);
    EXPECT_EQ(data[54 + 2 * 3 + 0], 0xFF) << "the bottom-right pixel is blue";

    EXPECT_EQ(MRender::SaveBitmapToFile(canvas.bitmap, CString((folder + L"\\missing\\x.bmp").c_str())), 0);
    RemoveTree(folder);
}

TEST(Render, ImagesLoadFromFilesAndFailWithNull)
{
    const std::wstring path = SkinFolder() + L"render-load.png";
    ASSERT_TRUE(WritePng(path, 30, 20, [](int, int) { return 0xFF336699u; }));
    Gdiplus::Image* image = MRender::LoadImageFromFile(CString(path.c_str()));
    ASSERT_NE(image, nullptr);
    EXPECT_EQ(image->GetWidth(), 30u);
    delete image;
    Gdiplus::Image* thumb = MRender::LoadImageFromFileEx(CString(path.c_str()), 6, 4);
    ASSERT_NE(thumb, nullptr);
    EXPECT_EQ(thumb->GetWidth(), 6u);
    EXPECT_EQ(thumb->GetHeight(), 4u);
    delete thumb;
    Gdiplus::Image* same = MRender::LoadImageFromFileEx(CString(path.c_str()), 0, 0);
    ASSERT_NE(same, nullptr);
    EXPECT_EQ(same->GetHeight(), 20u) << "0 x 0 keeps the image's own size";
    delete same;
    EXPECT_EQ(MRender::LoadImageFromFile(CString((SkinFolder() + L"render-none.png").c_str())), nullptr);
    EXPECT_EQ(MRender::LoadImageFromFile(CString()), nullptr);
    EXPECT_EQ(MRender::LoadImageFromFileEx(CString(L"Z:\\nowhere\\x.png"), 5, 5), nullptr);
}

TEST(Render, IconComesFromTheFilesAssociation)
{
    // The core test program carries an icon resource.
    const std::wstring exe = TestBinFolder() + L"kova_core_tests.exe";
    HICON icon = MRender::LoadIconFromFile(CString(exe.c_str()));
    EXPECT_NE(icon, nullptr);
    if (icon) DestroyIcon(icon);
}

TEST(BlendMath, TransitionAlphas)
{
    blend::Transition same(80, 80, 10);
    for (int i = 0; i < 10; ++i) EXPECT_EQ(same.AlphaAt(i), 51);
    blend::Transition down(0, 100, 10);
    EXPECT_EQ(down.AlphaAt(0), 255);
    EXPECT_EQ(down.AlphaAt(1), 229);
    EXPECT_EQ(down.AlphaAt(9), 25);
    blend::Transition up(100, 0, 10);
    EXPECT_EQ(up.AlphaAt(0), 0);
    EXPECT_EQ(up.AlphaAt(9), 229);
    blend::Transition empty(0, 100, 0);
    EXPECT_EQ(empty.step, 0.0);
}

TEST(BlendMath, GradientBandsAndInterpolation)
{
    struct Case {
        int steps, bands;
    } cases[] = {{0, 2}, {3, 2}, {4, 4}, {7, 4}, {8, 8}, {15, 8}, {16, 16}, {31, 16}, {32, 32}, {63, 32}, {64, 64},
                 {1000, 64}};
    for (const Case& c : cases) EXPECT_EQ(blend::GradientBands(c.steps), c.bands) << c.steps;
    EXPECT_EQ(blend::Interpolate(0xFF000000, 0xFFFF00FF, 0, 5), 0xFF000000u);
    EXPECT_EQ(blend::Interpolate(0xFF000000, 0xFFFF00FF, 4, 5), 0xFFFF00FFu);
    EXPECT_EQ(blend::Interpolate(0x00000000, 0xC8640064, 2, 5), 0x64320032u);
    EXPECT_EQ(blend::Interpolate(0x11223344, 0xFFFFFFFF, 0, 1), 0x11223344u);
    EXPECT_EQ(blend::Over(0, 255, 51), 51);
    EXPECT_EQ(blend::Over(100, 100, 17), 100);
    EXPECT_EQ(blend::CornerAlpha(0, 0, 10), 255);
    EXPECT_EQ(blend::CornerAlpha(6, 8, 10), 0);
    EXPECT_EQ(blend::CornerAlpha(30, 40, 10), 0) << "clamped at the radius";
}

TEST(AlphaRepair, OnlyColouredPixelsWithoutAlphaInTheRectangleBecomeOpaque)
{
    // 3 x 2 bottom-up: row 0 of the buffer is client line 1.
    std::uint8_t bits[] = {
        1, 0, 0, 0, /*(0,1)*/ 0, 0, 0, 0, /*(1,1)*/ 9, 9, 9, 0, /*(2,1)*/
        0, 0, 5, 0, /*(0,0)*/ 7, 7, 7, 128, /*(1,0)*/ 0, 3, 0, 0, /*(2,0)*/
    };
    RepairAlpha(bits, 3, 2, 0, 0, 2, 2); // column 2 outside
    EXPECT_EQ(bits[3], 255);  // (0,1) blue 1
    EXPECT_EQ(bits[7], 0);    // (1,1) black stays transparent
    EXPECT_EQ(bits[11], 0);   // (2,1) outside the rectangle
    EXPECT_EQ(bits[15], 255); // (0,0) red 5
    EXPECT_EQ(bits[19], 128); // (1,0) alpha already set
    EXPECT_EQ(bits[23], 0);   // (2,0) outside

    ClearPixels(bits, 3, 2, 1, 0, 5, 1); // line 0, columns 1..2 (clipped)
    EXPECT_EQ(bits[12 + 2], 5) << "column 0 kept";
    for (int i = 16; i < 24; ++i) EXPECT_EQ(bits[i], 0) << i;
    EXPECT_EQ(bits[8], 9) << "line 1 kept";
    RepairAlpha(nullptr, 3, 2, 0, 0, 3, 2);
}
