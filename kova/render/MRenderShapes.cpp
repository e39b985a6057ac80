// MRender: nine-part images, placement and measuring, transitions, gradients, shapes,
// and writing a bitmap to a file.
#include "MRender.h"

#include <cmath>
#include <vector>
#include "BlendMath.h"
#include "core/ScopedWin.h"

namespace KOVA {

namespace {
// One part of a nine-part drawing. Parts that collapse to nothing (a destination smaller
// than its corners) are left out rather than drawn mirrored.
void DrawPart(Gdiplus::Graphics& graphics, Gdiplus::Image* image, int dx, int dy, int dw, int dh, int sx, int sy,
              int sw, int sh)
{
    if (dw <= 0 || dh <= 0 || sw <= 0 || sh <= 0) return;
    // A failing part only records its status; the others are still drawn.
    graphics.DrawImage(image, Gdiplus::Rect(dx, dy, dw, dh), sx, sy, sw, sh, Gdiplus::UnitPixel);
}

// msimg32's entry points, looked up once for the process (thread-safe static).
struct Msimg32 {
    decltype(&::AlphaBlend) alphaBlend = nullptr;
    decltype(&::GradientFill) gradientFill = nullptr;
};

const Msimg32& Msimg32Entries()
{
    static const Msimg32 entries = [] {
        Msimg32 e;
        if (HMODULE module = LoadLibraryW(L"msimg32.dll")) {
            e.alphaBlend = reinterpret_cast<decltype(&::AlphaBlend)>(
                reinterpret_cast<void*>(GetProcAddress(module, "AlphaBlend")));
            e.gradientFill = reinterpret_cast<decltype(&::GradientFill)>(
                reinterpret_cast<void*>(GetProcAddress(module, "GradientFill")));
        }
        return e;
    }();
    return entries;
}

// Constant-alpha source-over of src onto dst, pixel by pixel, for systems without AlphaBlend.
void SoftwareBlend(HDC dst, int x, int y, int width, int height, HDC src, BYTE alpha)
{
    unsigned char *dstBits = nullptr, *srcBits = nullptr;
    ScopedMemDC dstCopy(dst), srcCopy(dst);
    ScopedBitmap dstBitmap(MRender::CreateARGB32Bitmap(dst, width, height, &dstBits));
    ScopedBitmap srcBitmap(MRender::CreateARGB32Bitmap(dst, width, height, &srcBits));
    if (!dstCopy || !srcCopy || !dstBits || !srcBits) return;
    ScopedSelectObject selectDst(dstCopy, dstBitmap), selectSrc(srcCopy, srcBitmap);
    ::BitBlt(dstCopy, 0, 0, width, height, dst, x, y, SRCCOPY);
    ::BitBlt(srcCopy, 0, 0, width, height, src, 0, 0, SRCCOPY);
    GdiFlush();
    for (size_t i = 0, n = size_t(width) * height * 4; i < n; ++i)
        dstBits[i] = blend::Over(dstBits[i], srcBits[i], alpha);
    ::BitBlt(dst, x, y, width, height, dstCopy, 0, 0, SRCCOPY);
}

COLOR16 Channel16(unsigned long argb, int shift) { return static_cast<COLOR16>(((argb >> shift) & 0xFF) << 8); }

BLENDFUNCTION ConstantAlpha(int alpha)
{
    return BLENDFUNCTION{AC_SRC_OVER, 0, static_cast<BYTE>(alpha & 0xFF), 0};
}
} // namespace

void MRender::DrawImageFrame(Gdiplus::Graphics& graphics, Gdiplus::Image* image, const CRect& dst, int sx, int sy,
                             int sw, int sh, int corner)
{
    DrawImageFrameMID(graphics, image, dst, sx, sy, sw, sh, corner, corner, corner, corner);
}

void MRender::DrawImageFrameMID(Gdiplus::Graphics& graphics, Gdiplus::Image* image, const CRect& dst, int sx, int sy,
                                int sw, int sh, int l, int t, int r, int b)
{
    if (!image) return;
    const int L = dst.left, T = dst.top, R = dst.right, B = dst.bottom;
    const int midW = dst.Width() - l - r, midH = dst.Height() - t - b;
    const int srcMidW = sw - l - r, srcMidH = sh - t - b;
    DrawPart(graphics, image, L, T, l, t, sx, sy, l, t);                                          // upper left
    DrawPart(graphics, image, L, T + t, l, midH, sx, sy + t, l, srcMidH);                          // left edge
    DrawPart(graphics, image, L, B - b, l, b, sx, sy + sh - b, l, b);                              // lower left
    DrawPart(graphics, image, L + l, T, midW, t, sx + l, sy, srcMidW, t);                          // upper edge
    DrawPart(graphics, image, R - r, T, r, t, sx + sw - r, sy, r, t);                              // upper right
    DrawPart(graphics, image, R - r, T + t, r, midH, sx + sw - r, sy + t, r, srcMidH);             // right edge
    DrawPart(graphics, image, R - r, B - b, r, b, sx + sw - r, sy + sh - b, r, b);                 // lower right
    DrawPart(graphics, image, L + l, B - b, midW, b, sx + l, sy + sh - b, srcMidW, b);             // lower edge
    DrawPart(graphics, image, L + l, T + t, midW, midH, sx + l, sy + t, srcMidW, srcMidH);         // centre
}

CRect MRender::GetImageRect(int width, int height, CRect box)
{
    const int bw = box.Width(), bh = box.Height();
    int w = width, h = height;
    if (w > 0 && h > 0 && bw > 0 && bh > 0) {
        const double boxRatio = double(bw) / bh;
        if (w > bw && h > bh) {
            if (double(w) / h > boxRatio) {
                h = int(double(h) * bw / w);
                w = bw;
            } else {
                w = int(double(w) * bh / h);
                h = bh;
            }
        } else if (w > bw) {
            h = int(double(h) * bw / w);
            w = bw;
        } else if (h > bh) {
            w = int(double(w) * bh / h);
            h = bh;
        }
    }
    const int x = box.left + (bw - w) / 2, y = box.top + (bh - h) / 2;
    return CRect(x, y, x + w, y + h);
}

CPoint MRender::GetOriginPoint(int width, int height, int cw, int ch, unsigned halign, unsigned valign)
{
    int x = halign == 1 ? (width - cw) / 2 : halign == 2 ? width - cw : 0;
    int y = valign == 4 ? (height - ch) / 2 : valign == 8 ? height - ch : 0;
    return CPoint(x, y);
}

CPoint MRender::GetOriginPoint(CRect box, int cw, int ch, unsigned halign, unsigned valign)
{
    CPoint p = GetOriginPoint(box.Width(), box.Height(), cw, ch, halign, valign);
    return CPoint(box.left + p.x, box.top + p.y + 2);
}

namespace {
Gdiplus::RectF PathBounds(const Gdiplus::Font& font, const Gdiplus::StringFormat& format, const CString& text,
                          const Gdiplus::RectF* layout)
{
    Gdiplus::FontFamily family;
    font.GetFamily(&family);
    Gdiplus::GraphicsPath path;
    if (layout)
        path.AddString(text.GetString(), -1, &family, font.GetStyle(), font.GetSize(), *layout, &format);
    else
        path.AddString(text.GetString(), -1, &family, font.GetStyle(), font.GetSize(), Gdiplus::PointF(0, 0), &format);
    Gdiplus::RectF bounds;
    path.GetBounds(&bounds);
    return bounds;
}

bool Fractional(float v) { return v != std::floor(v); }
} // namespace

Gdiplus::Size MRender::GetTextBounds(const Gdiplus::Font& font, const Gdiplus::StringFormat& format,
                                     const CString& text)
{
    Gdiplus::RectF bounds = PathBounds(font, format, text, nullptr);
    float fh = font.GetHeight(0.0f);
    int height = static_cast<int>(Fractional(fh) ? fh + 4 : fh + 1);
    return Gdiplus::Size(static_cast<int>(std::ceil(bounds.Width)), height);
}

Gdiplus::Size MRender::GetTextBounds(const Gdiplus::Font& font, const Gdiplus::StringFormat& format, int width,
                                     const CString& text)
{
    // A tall layout box: only the width constrains the lines.
    Gdiplus::RectF layout(0, 0, static_cast<Gdiplus::REAL>(width), 1.0e6f);
    Gdiplus::RectF bounds = PathBounds(font, format, text, &layout);
    float fh = font.GetHeight(0.0f);
    int f = static_cast<int>(Fractional(fh) ? fh + 2 : fh + 1);
    int p = static_cast<int>(Fractional(bounds.Height) ? bounds.Height + 2 : bounds.Height + 1);
    return Gdiplus::Size(static_cast<int>(std::ceil(bounds.Width)), p > f ? p + 5 : f + 1);
}

Gdiplus::Size MRender::GetTextBounds(const Gdiplus::Font& font, const CString& text)
{
    Gdiplus::StringFormat format;
    format.SetAlignment(Gdiplus::StringAlignmentNear);
    format.SetFormatFlags(Gdiplus::StringFormatFlagsNoWrap | Gdiplus::StringFormatFlagsMeasureTrailingSpaces);
    return GetTextBounds(font, format, text);
}

namespace {
// One-pixel strips (rows or columns) of src onto dst, each at its own constant alpha.
int BlendStrips(HDC dst, HDC src, const CRect& d, const CRect& s, int from, int to, bool rows)
{
    const int count = rows ? d.Height() : d.Width();
    blend::Transition t(from, to, count);
    int alpha = 255;
    for (int i = 0; i < count; ++i) {
        alpha = t.AlphaAt(i);
        const int dx = rows ? 0 : i, dy = rows ? i : 0, w = rows ? d.Width() : 1, h = rows ? 1 : d.Height();
        ::AlphaBlend(dst, d.left + dx, d.top + dy, w, h, src, s.left + dx, s.top + dy, w, h, ConstantAlpha(alpha));
    }
    return alpha;
}
} // namespace

int MRender::DrawVerticalTransition(HDC& dst, HDC& src, const CRect& d, const CRect& s, int from, int to)
{
    return BlendStrips(dst, src, d, s, from, to, true);
}

int MRender::DrawHorizontalTransition(HDC& dst, HDC& src, const CRect& d, const CRect& s, int from, int to)
{
    return BlendStrips(dst, src, d, s, from, to, false);
}

void MRender::DrawRightBottomTransition(HDC& dst, HDC& src, CRect rc, int size, unsigned long)
{
    if (size <= 0) return;
    for (int i = 0; i < size; ++i) {
        for (int j = 0; j < size; ++j) {
            const int x = rc.Width() - size + i, y = rc.Height() - size + j;
            ::AlphaBlend(dst, x, y, 1, 1, src, x, y, 1, 1, ConstantAlpha(blend::CornerAlpha(i, j, size)));
        }
    }
}

void MRender::DrawGradient(HDC dc, const RECT& rc, unsigned long from, unsigned long to, bool vertical, int steps)
{
    const int alpha = int(((from >> 24) & 0xFF) + ((to >> 24) & 0xFF)) / 2;
    const int width = rc.right - rc.left, height = rc.bottom - rc.top;
    if (alpha == 0 || width <= 0 || height <= 0) return;
    const Msimg32& msimg = Msimg32Entries();

    // Translucent gradients are drawn apart and blended on at the mean alpha.
    const bool apart = alpha < 255;
    ScopedMemDC scratch(apart ? dc : nullptr);
    ScopedBitmap scratchBitmap(apart ? ::CreateCompatibleBitmap(dc, width, height) : nullptr);
    ScopedSelectObject select(scratch, scratchBitmap);
    if (apart && (!scratch || !scratchBitmap)) return;
    HDC target = apart ? HDC(scratch) : dc;
    const int ox = apart ? 0 : rc.left, oy = apart ? 0 : rc.top;

    if (msimg.gradientFill) {
        TRIVERTEX v[2] = {
            {ox, oy, Channel16(from, 16), Channel16(from, 8), Channel16(from, 0), Channel16(from, 24)},
            {ox + width, oy + height, Channel16(to, 16), Channel16(to, 8), Channel16(to, 0), Channel16(to, 24)},
        };
        GRADIENT_RECT gradient = {0, 1};
        msimg.gradientFill(target, v, 2, &gradient, 1, vertical ? GRADIENT_FILL_RECT_V : GRADIENT_FILL_RECT_H);
    } else {
        const int bands = blend::GradientBands(steps);
        const int extent = vertical ? height : width;
        for (int b = 0; b < bands; ++b) {
            std::uint32_t c = blend::Interpolate(from, to, b, bands);
            const int start = extent * b / bands, end = extent * (b + 1) / bands;
            RECT band = vertical ? RECT{ox, oy + start, ox + width, oy + end} : RECT{ox + start, oy, ox + end, oy + height};
            FillSolidRect(target, &band, RGB((c >> 16) & 0xFF, (c >> 8) & 0xFF, c & 0xFF));
        }
    }

    if (!apart) return;
    if (msimg.alphaBlend)
        msimg.alphaBlend(dc, rc.left, rc.top, width, height, scratch, 0, 0, width, height, ConstantAlpha(alpha));
    else
        SoftwareBlend(dc, rc.left, rc.top, width, height, scratch, static_cast<BYTE>(alpha));
}

void MRender::AddRoundedRectangle(Gdiplus::GraphicsPath& path, float x, float y, float width, float height,
                                  float radius)
{
    if (radius <= 0) {
        path.AddRectangle(Gdiplus::RectF(x, y, width, height));
        return;
    }
    const float d = radius * 2;
    path.AddArc(x, y, d, d, 180, 90);
    path.AddArc(x + width - d, y, d, d, 270, 90);
    path.AddArc(x + width - d, y + height - d, d, d, 0, 90);
    path.AddArc(x, y + height - d, d, d, 90, 90);
    path.CloseFigure();
}

void MRender::DrawRoundRectange(Gdiplus::Graphics& graphics, float x, float y, float width, float height,
                                float radius, Gdiplus::Color fill)
{
    Gdiplus::GraphicsPath path;
    AddRoundedRectangle(path, x, y, width, height, radius);
    Gdiplus::SolidBrush brush(fill);
    graphics.FillPath(&brush, &path);
}

void MRender::DrawRoundRectange(Gdiplus::Graphics& graphics, float x, float y, float width, float height, float n,
                                Gdiplus::Color pen, float penWidth, bool filled, Gdiplus::Color fill)
{
    if (n == 0) return;
    float rx = width / n / 2, ry = height / n / 2;
    if (std::fabs(rx - ry) > 10) rx = ry = (rx < ry ? rx : ry);
    Gdiplus::GraphicsPath path;
    if (rx <= 0 || ry <= 0) {
        path.AddRectangle(Gdiplus::RectF(x, y, width, height));
    } else {
        const float dx = rx * 2, dy = ry * 2;
        path.AddArc(x, y, dx, dy, 180, 90);
        path.AddArc(x + width - dx, y, dx, dy, 270, 90);
        path.AddArc(x + width - dx, y + height - dy, dx, dy, 0, 90);
        path.AddArc(x, y + height - dy, dx, dy, 90, 90);
        path.CloseFigure();
    }
    if (filled) {
        Gdiplus::SolidBrush brush(fill);
        graphics.FillPath(&brush, &path);
    }
    Gdiplus::Pen outline(pen, penWidth);
    graphics.DrawPath(&outline, &path);
}

void MRender::RotatePoint(Gdiplus::PointF& pt, float degrees, const Gdiplus::PointF& centre)
{
    const double radians = degrees * 3.1415926 / 180.0;
    const double dx = pt.X - centre.X, dy = pt.Y - centre.Y;
    pt.X = static_cast<Gdiplus::REAL>(centre.X + dx * std::cos(radians) - dy * std::sin(radians));
    pt.Y = static_cast<Gdiplus::REAL>(centre.Y + dx * std::sin(radians) + dy * std::cos(radians));
}

int MRender::SaveBitmapToFile(HBITMAP bitmap, CString path)
{
    BITMAP bm = {};
    if (!bitmap || !GetObjectW(bitmap, sizeof(bm), &bm)) return 0;
    ScopedGetDC screen(nullptr);
    const int displayBits = GetDeviceCaps(screen, PLANES) * GetDeviceCaps(screen, BITSPIXEL);
    const WORD depth = displayBits <= 1 ? 1 : displayBits <= 4 ? 4 : displayBits <= 8 ? 8 : 24;
    const int rows = bm.bmHeight < 0 ? -bm.bmHeight : bm.bmHeight;
    const DWORD stride = ((depth * DWORD(bm.bmWidth) + 31) / 32) * 4;
    const DWORD pixelBytes = stride * DWORD(rows);

    // Room for a colour table that GetDIBits fills at the low depths; the file has none.
    std::vector<unsigned char> infoBytes(sizeof(BITMAPINFOHEADER) + 256 * sizeof(RGBQUAD));
    auto* info = reinterpret_cast<BITMAPINFO*>(infoBytes.data());
    BITMAPINFOHEADER& header = info->bmiHeader;
    header.biSize = sizeof(BITMAPINFOHEADER);
    header.biWidth = bm.bmWidth;
    header.biHeight = bm.bmHeight;
    header.biPlanes = 1;
    header.biBitCount = depth;
    header.biCompression = BI_RGB;
    std::vector<unsigned char> pixels(pixelBytes);
    {
        HPALETTE old = SelectPalette(screen, static_cast<HPALETTE>(GetStockObject(DEFAULT_PALETTE)), FALSE);
        RealizePalette(screen);
        GetDIBits(screen, bitmap, 0, rows, pixels.data(), info, DIB_RGB_COLORS);
        if (old) SelectPalette(screen, old, FALSE);
    }
    BITMAPINFOHEADER written = header;
    written.biSizeImage = 0;
    written.biClrUsed = 0;
    written.biClrImportant = 0;

    AutoCloseHandle file(CreateFileW(path.GetString(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                     FILE_ATTRIBUTE_NORMAL | FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
    if (!file.IsValid()) return 0;
    BITMAPFILEHEADER fileHeader = {};
    fileHeader.bfType = 0x4D42; // "BM"
    fileHeader.bfOffBits = sizeof(BITMAPFILEHEADER) + sizeof(BITMAPINFOHEADER);
    fileHeader.bfSize = fileHeader.bfOffBits + pixelBytes;
    DWORD done = 0;
    WriteFile(file, &fileHeader, sizeof(fileHeader), &done, nullptr);
    WriteFile(file, &written, sizeof(written), &done, nullptr);
    WriteFile(file, pixels.data(), pixelBytes, &done, nullptr);
    return 1;
}

} // namespace KOVA
