#pragma once
// Shared drawing and loading routines of the framework; static only, no state apart
// from the once-per-process lookup of msimg32's blend entry points.
// Colours: GDI routines take COLORREF (0x00BBGGRR), GDI+ routines ARGB (0xAARRGGBB).
// Alignment codes: horizontal 0 left, 1 centre, 2 right; vertical 0 top, 4 centre, 8 bottom.
#include <windows.h>
#include <gdiplus.h>
#include "core/CString.h"
#include "core/Geometry.h"
#include "core/KovaApi.h"

namespace KOVA {

class KOVA_API MRender {
public:
    // Images; the caller owns the result, null on failure.
    static Gdiplus::Image* LoadImageFromFile(CString path);
    static Gdiplus::Image* LoadImageFromFileEx(CString path, int width, int height);
    // The resource's bytes stay allocated as long as the image lives.
    static Gdiplus::Image* LoadImageFromIDResource(unsigned id, CString type, HINSTANCE module);
    static HICON LoadIconFromFile(CString path);

    // Surfaces and copying.
    static HDC CreateCompatibleDC(HDC dc);
    static HBITMAP CreateCompatibleBitmap(HDC dc, int width, int height);
    // 32-bit bottom-up DIB section (client line y is row height - 1 - y), bytes B, G, R, A.
    static HBITMAP CreateARGB32Bitmap(HDC dc, int width, int height, unsigned char** bits);
    static BOOL BitBlt(HDC dst, int x, int y, int width, int height, HDC src, int sx, int sy);
    static BOOL BitBlt(HDC dst, int x, int y, int width, int height, HDC src, int sx, int sy, unsigned long rop);

    // Filling and text.
    static void FillSolidRect(HDC& dc, const RECT* rc, COLORREF colour);
    static void FillSolidRect(HDC& dc, int x, int y, int width, int height, COLORREF colour);
    static void DrawColor(HDC dc, const RECT& rc, Gdiplus::ARGB colour); // nothing at alpha 0
    static void DrawTextW(HDC dc, CRect& rc, const wchar_t* text, COLORREF colour, HFONT font, unsigned format);
    // Pure black becomes (0, 0, 1): the alpha repair of layered frames keeps black transparent.
    static void CheckAlphaColor(unsigned long& colour);
    static void DrawRectangle(HDC& dc, const CRect& rc, int, int, int); // draws nothing

    // Nine-part images: corners at natural size, edges and centre stretched.
    static void DrawImageFrame(Gdiplus::Graphics& graphics, Gdiplus::Image* image, const CRect& dst, int sx, int sy,
                               int sw, int sh, int corner);
    static void DrawImageFrameMID(Gdiplus::Graphics& graphics, Gdiplus::Image* image, const CRect& dst, int sx, int sy,
                                  int sw, int sh, int left, int top, int right, int bottom);
    // Where a width x height image goes inside box: shrunk to fit keeping its aspect, centred.
    static CRect GetImageRect(int width, int height, CRect box);

    // Placement and measuring.
    static CPoint GetOriginPoint(int width, int height, int cw, int ch, unsigned halign, unsigned valign);
    static CPoint GetOriginPoint(CRect box, int cw, int ch, unsigned halign, unsigned valign);
    static Gdiplus::Size GetTextBounds(const Gdiplus::Font& font, const Gdiplus::StringFormat& format,
                                       const CString& text);
    static Gdiplus::Size GetTextBounds(const Gdiplus::Font& font, const Gdiplus::StringFormat& format, int width,
                                       const CString& text);
    static Gdiplus::Size GetTextBounds(const Gdiplus::Font& font, const CString& text);

    // Copies src onto dst with a transparency (percent) going linearly from the first row
    // (column) to the last; returns the last constant alpha used.
    static int DrawVerticalTransition(HDC& dst, HDC& src, const CRect& d, const CRect& s, int from, int to);
    static int DrawHorizontalTransition(HDC& dst, HDC& src, const CRect& d, const CRect& s, int from, int to);
    static void DrawRightBottomTransition(HDC& dst, HDC& src, CRect rc, int size, unsigned long unused);
    static void DrawGradient(HDC dc, const RECT& rc, unsigned long from, unsigned long to, bool vertical, int steps);

    // Shapes.
    static void DrawRoundRectange(Gdiplus::Graphics& graphics, float x, float y, float width, float height,
                                  float radius, Gdiplus::Color fill);
    static void DrawRoundRectange(Gdiplus::Graphics& graphics, float x, float y, float width, float height, float n,
                                  Gdiplus::Color pen, float penWidth, bool filled, Gdiplus::Color fill);
    static void AddRoundedRectangle(Gdiplus::GraphicsPath& path, float x, float y, float width, float height,
                                    float radius);
    static void RotatePoint(Gdiplus::PointF& pt, float degrees, const Gdiplus::PointF& centre);

    // BMP at the display's depth; 0 when the file cannot be created.
    static int SaveBitmapToFile(HBITMAP bitmap, CString path);
};

} // namespace KOVA
