#pragma once
// Rectangle and point values of the framework's interface. Both are plain Win32
// structures with helpers, so they cross the library boundary by value and can be
// handed to any API that takes a RECT or POINT.
#include <windows.h>

namespace KOVA {

class CPoint : public tagPOINT {
public:
    CPoint() { x = 0; y = 0; }
    CPoint(int px, int py) { x = px; y = py; }
    CPoint(POINT p) { x = p.x; y = p.y; }
    explicit CPoint(LPARAM lParam) { x = (short)LOWORD(lParam); y = (short)HIWORD(lParam); }

    void Offset(int dx, int dy) { x += dx; y += dy; }
    bool operator==(const POINT& o) const { return x == o.x && y == o.y; }
    bool operator!=(const POINT& o) const { return !(*this == o); }
};

// left, top, right, bottom; right and bottom are exclusive in hit tests.
class CRect : public tagRECT {
public:
    CRect() { left = top = right = bottom = 0; }
    CRect(int l, int t, int r, int b) { left = l; top = t; right = r; bottom = b; }
    CRect(const RECT& r) { left = r.left; top = r.top; right = r.right; bottom = r.bottom; }
    CRect(POINT topLeft, SIZE size) { left = topLeft.x; top = topLeft.y; right = left + size.cx; bottom = top + size.cy; }

    int Width() const { return right - left; }
    int Height() const { return bottom - top; }
    CPoint TopLeft() const { return CPoint(left, top); }
    CPoint BottomRight() const { return CPoint(right, bottom); }
    CPoint CenterPoint() const { return CPoint((left + right) / 2, (top + bottom) / 2); }

    // Empty: no area (width or height not positive). Null: all four values zero.
    bool IsRectEmpty() const { return right <= left || bottom <= top; }
    bool IsRectNull() const { return left == 0 && top == 0 && right == 0 && bottom == 0; }
    bool PtInRect(POINT p) const { return p.x >= left && p.x < right && p.y >= top && p.y < bottom; }

    void SetRect(int l, int t, int r, int b) { left = l; top = t; right = r; bottom = b; }
    void SetRectEmpty() { left = top = right = bottom = 0; }
    void OffsetRect(int dx, int dy) { left += dx; right += dx; top += dy; bottom += dy; }
    void OffsetRect(POINT p) { OffsetRect(p.x, p.y); }
    void InflateRect(int dx, int dy) { left -= dx; right += dx; top -= dy; bottom += dy; }
    void DeflateRect(int dx, int dy) { InflateRect(-dx, -dy); }
    void MoveToXY(int x, int y) { OffsetRect(x - left, y - top); }
    void NormalizeRect()
    {
        if (left > right) { LONG t = left; left = right; right = t; }
        if (top > bottom) { LONG t = top; top = bottom; bottom = t; }
    }

    // Both follow the Win32 functions: an empty result becomes (0, 0, 0, 0).
    bool IntersectRect(const RECT& a, const RECT& b) { return ::IntersectRect(this, &a, &b) != FALSE; }
    bool UnionRect(const RECT& a, const RECT& b) { return ::UnionRect(this, &a, &b) != FALSE; }

    bool operator==(const RECT& o) const
    {
        return left == o.left && top == o.top && right == o.right && bottom == o.bottom;
    }
    bool operator!=(const RECT& o) const { return !(*this == o); }
    operator LPRECT() { return this; }
    operator LPCRECT() const { return this; }
};

} // namespace KOVA
