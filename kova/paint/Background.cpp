// PaintManager: the background of every frame, an image from the skin folder or the
// two-colour fill, kept drawn in a cache while nothing about it changes.
#include <cstring>
#include "core/Manager.h"
#include "core/ScopedWin.h"
#include "core/SkinPath.h"
#include "host/PaintManager.h"
#include "render/MRender.h"

namespace KOVA {

namespace {
// GDI+ colour of a COLORREF as the framework draws it: alpha 254, not 255.
Gdiplus::Color Argb254(COLORREF c)
{
    return Gdiplus::Color(0xFE000000u | (GetRValue(c) << 16) | (GetGValue(c) << 8) | GetBValue(c));
}
} // namespace

void PaintManager::DrawBackground(Gdiplus::Graphics& graphics, CRect client)
{
    if (m_pBkImage) {
        DrawBackImage(graphics, client);
        return;
    }
    // Copied, not blended: the body over the border would otherwise turn opaque and take
    // a tint of the border colour.
    graphics.SetCompositingMode(Gdiplus::CompositingModeSourceCopy);
    Gdiplus::SolidBrush border(Argb254(m_crBorderBack));
    graphics.FillRectangle(&border, 0, 0, client.Width(), client.Height());
    Gdiplus::SolidBrush inner(Argb254(m_crInnerBack));
    graphics.FillRectangle(&inner, 1, 1, client.Width() - 2, client.Height() - 2);
}

bool PaintManager::CopyBackground(HDC compatible, unsigned char* frameBits, int width, int height)
{
    if (!m_bBackCacheValid || width != m_nBackCacheWidth || height != m_nBackCacheHeight) {
        if (width != m_nBackCacheWidth || height != m_nBackCacheHeight || !m_hBackCache) {
            ReleaseBackCache();
            m_hBackCache = MRender::CreateARGB32Bitmap(compatible, width, height, &m_pBackCacheBits);
            if (!m_hBackCache) return false;
            m_nBackCacheWidth = width;
            m_nBackCacheHeight = height;
        }
        std::memset(m_pBackCacheBits, 0, size_t(width) * height * 4);
        ScopedMemDC dc(compatible);
        if (!dc) return false;
        {
            ScopedSelectObject select(dc, m_hBackCache);
            Gdiplus::Graphics graphics{HDC(dc)};
            DrawBackground(graphics, CRect(0, 0, width, height));
        }
        GdiFlush();
        m_bBackCacheValid = 1;
    }
    std::memcpy(frameBits, m_pBackCacheBits, size_t(width) * height * 4);
    return true;
}

void PaintManager::ReleaseBackCache()
{
    if (m_hBackCache) DeleteObject(m_hBackCache);
    m_hBackCache = nullptr;
    m_pBackCacheBits = nullptr;
    m_nBackCacheWidth = m_nBackCacheHeight = 0;
    m_bBackCacheValid = 0;
}

void PaintManager::DrawBackImage(Gdiplus::Graphics& graphics, CRect client)
{
    if (!m_pBkImage) return;
    if (m_backMode == BACK_MODE_STRETCH)
        graphics.DrawImage(m_pBkImage, 0, 0, client.Width(), client.Height());
    else if (m_backMode == BACK_MODE_FRAME)
        MRender::DrawImageFrame(graphics, m_pBkImage, client, 0, 0, m_nBkWidth, m_nBkHeight, m_nBackModeValue);
}

int PaintManager::SetBackImage(Gdiplus::Image* image)
{
    m_bBackCacheValid = 0;
    delete m_pBkImage;
    m_pBkImage = image;
    m_nBkWidth = image ? static_cast<int>(image->GetWidth()) : 0;
    m_nBkHeight = image ? static_cast<int>(image->GetHeight()) : 0;
    return image ? 1 : 0;
}

int PaintManager::LoadBKImage(CString file)
{
    delete m_pBkImage; // released before the new one is decoded
    m_pBkImage = nullptr;
    return SetBackImage(MRender::LoadImageFromFile(GetSkinPath() + file));
}

int PaintManager::LoadBKImage(UINT resourceId, CString resourceType)
{
    delete m_pBkImage;
    m_pBkImage = nullptr;
    return SetBackImage(MRender::LoadImageFromIDResource(resourceId, resourceType, Manager::m_hInstance));
}

void PaintManager::SetBackMode(enumBackMode mode, int value)
{
    m_backMode = mode;
    m_nBackModeValue = value;
    m_bBackCacheValid = 0;
}

void PaintManager::SetBackColor(COLORREF inner, COLORREF border)
{
    m_crInnerBack = inner;
    m_crBorderBack = border;
    m_bBackCacheValid = 0;
}

} // namespace KOVA
