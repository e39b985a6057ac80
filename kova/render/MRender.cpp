// MRender: loading images and icons, surfaces, fills and GDI text.
#include "MRender.h"

#include <shellapi.h>
#include <cstring>
#include "core/Manager.h"
#include "core/ScopedWin.h"

namespace KOVA {

namespace {
// GDI+ keeps objects whose construction failed; the callers want null instead.
Gdiplus::Image* Checked(Gdiplus::Image* image)
{
    if (image && image->GetLastStatus() != Gdiplus::Ok) {
        delete image;
        return nullptr;
    }
    return image;
}
} // namespace

Gdiplus::Image* MRender::LoadImageFromFile(CString path)
{
    if (path.IsEmpty()) return nullptr;
    return Checked(new Gdiplus::Image(path.GetString()));
}

Gdiplus::Image* MRender::LoadImageFromFileEx(CString path, int width, int height)
{
    Gdiplus::Image* full = LoadImageFromFile(path);
    if (!full) return nullptr;
    if (width == 0 && height == 0) {
        width = static_cast<int>(full->GetWidth());
        height = static_cast<int>(full->GetHeight());
    }
    Gdiplus::Image* thumb = Checked(full->GetThumbnailImage(width, height, nullptr, nullptr));
    delete full;
    return thumb;
}

Gdiplus::Image* MRender::LoadImageFromIDResource(unsigned id, CString type, HINSTANCE module)
{
    HRSRC found = FindResourceW(module, MAKEINTRESOURCEW(id), type.GetString());
    if (!found) return nullptr;
    DWORD size = SizeofResource(module, found);
    HGLOBAL loaded = LoadResource(module, found);
    const void* bytes = loaded ? LockResource(loaded) : nullptr;
    if (!bytes || !size) return nullptr;

    HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE, size);
    if (!block) return nullptr;
    void* copy = GlobalLock(block);
    if (!copy) {
        GlobalFree(block);
        return nullptr;
    }
    memcpy(copy, bytes, size);
    GlobalUnlock(block);
    IStream* stream = nullptr;
    // The stream frees the block with its last reference; the image holds one for as long
    // as it may decode from it.
    if (FAILED(CreateStreamOnHGlobal(block, TRUE, &stream))) {
        GlobalFree(block);
        return nullptr;
    }
    Gdiplus::Image* image = Checked(new Gdiplus::Image(stream));
    stream->Release();
    return image;
}

HICON MRender::LoadIconFromFile(CString path)
{
    wchar_t buffer[MAX_PATH] = {};
    wcsncpy(buffer, path.GetString(), MAX_PATH - 1);
    WORD index = 0;
    return ExtractAssociatedIconW(Manager::m_hInstance, buffer, &index);
}

HDC MRender::CreateCompatibleDC(HDC dc) { return ::CreateCompatibleDC(dc); }

HBITMAP MRender::CreateCompatibleBitmap(HDC dc, int width, int height)
{
    return ::CreateCompatibleBitmap(dc, width, height);
}

HBITMAP MRender::CreateARGB32Bitmap(HDC dc, int width, int height, unsigned char** bits)
{
    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = height; // positive: bottom-up
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    void* pixels = nullptr;
    HBITMAP bitmap = CreateDIBSection(dc, &info, DIB_RGB_COLORS, &pixels, nullptr, 0);
    if (bits) *bits = bitmap ? static_cast<unsigned char*>(pixels) : nullptr;
    return bitmap;
}

BOOL MRender::BitBlt(HDC dst, int x, int y, int width, int height, HDC src, int sx, int sy)
{
    return ::BitBlt(dst, x, y, width, height, src, sx, sy, SRCCOPY);
}

BOOL MRender::BitBlt(HDC dst, int x, int y, int width, int height, HDC src, int sx, int sy, unsigned long rop)
{
    return ::BitBlt(dst, x, y, width, height, src, sx, sy, rop);
}

void MRender::FillSolidRect(HDC& dc, const RECT* rc, COLORREF colour)
{
    SetBkColor(dc, colour);
    ExtTextOutW(dc, 0, 0, ETO_OPAQUE, rc, nullptr, 0, nullptr);
}

void MRender::FillSolidRect(HDC& dc, int x, int y, int width, int height, COLORREF colour)
{
    RECT rc = {x, y, x + width, y + height};
    FillSolidRect(dc, &rc, colour);
}

void MRender::DrawColor(HDC dc, const RECT& rc, Gdiplus::ARGB colour)
{
    if (colour < 0x01000000) return;
    Gdiplus::Graphics graphics(dc);
    Gdiplus::SolidBrush brush{Gdiplus::Color(colour)};
    graphics.FillRectangle(&brush, static_cast<INT>(rc.left), static_cast<INT>(rc.top),
                           static_cast<INT>(rc.right - rc.left), static_cast<INT>(rc.bottom - rc.top));
}

void MRender::DrawTextW(HDC dc, CRect& rc, const wchar_t* text, COLORREF colour, HFONT font, unsigned format)
{
    if (!text) return;
    SetBkMode(dc, TRANSPARENT);
    COLORREF oldColour = SetTextColor(dc, colour);
    HGDIOBJ oldFont = font ? SelectObject(dc, font) : nullptr;
    ::DrawTextW(dc, text, -1, &rc, format);
    SetTextColor(dc, oldColour);
    if (oldFont) SelectObject(dc, oldFont);
}

void MRender::CheckAlphaColor(unsigned long& colour)
{
    if ((colour & 0x00FFFFFF) == 0) colour += 1;
}

void MRender::DrawRectangle(HDC&, const CRect&, int, int, int) {}

} // namespace KOVA
