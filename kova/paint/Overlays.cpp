// PaintManager: the two overlays drawn over the controls, the temperature read-out and
// the message or progress strip.
#include <cmath>
#include <climits>
#include "core/Manager.h"
#include "host/PaintManager.h"

namespace KOVA {

namespace {
// The close-glyph hot spot of the panel: outlined while the pointer is over it.
const RECT kHotSpot = {275, 10, 293, 27};
const Gdiplus::ARGB kHotSpotPen = 0xFFC8C8C8;
const Gdiplus::ARGB kReadoutBrush = 0xFFFBFBFB;
const float kReadoutSize = 50.0f;
const int kReadoutBoxWidth = 120, kReadoutBoxHeight = 60, kReadoutTop = 70;

// The temperature as drawn: truncated toward zero. The value comes from another thread
// and may be anything; out-of-range values are clamped rather than overflowing.
int TemperatureAsInt(float value)
{
    if (std::isnan(value)) return 0;
    if (value >= 2147483647.0f) return INT_MAX;
    if (value <= -2147483648.0f) return INT_MIN;
    return static_cast<int>(value);
}

Gdiplus::Color WithAlpha(int alpha, Gdiplus::ARGB rgb)
{
    return Gdiplus::Color((static_cast<Gdiplus::ARGB>(alpha & 0xFF) << 24) | (rgb & 0x00FFFFFF));
}
} // namespace

void PaintManager::DrawInfoOverlay(Gdiplus::Graphics& graphics, int width)
{
    POINT cursor;
    if (GetCursorPos(&cursor) && ::ScreenToClient(m_hWnd, &cursor) && PtInRect(&kHotSpot, cursor)) {
        Gdiplus::Pen pen(Gdiplus::Color(kHotSpotPen), 1.0f);
        graphics.DrawRectangle(&pen, INT(kHotSpot.left), INT(kHotSpot.top), INT(kHotSpot.right - kHotSpot.left),
                               INT(kHotSpot.bottom - kHotSpot.top));
    }

    // The host's font lookup answers with the framework font whatever the name.
    Gdiplus::FontFamily* family = FindTempFont(L"Arial");
    if (!family) return;
    Gdiplus::Font font(family, kReadoutSize, Gdiplus::FontStyleRegular, Gdiplus::UnitPixel);
    graphics.SetTextRenderingHint(Gdiplus::TextRenderingHintClearTypeGridFit);
    Gdiplus::StringFormat format;
    format.SetAlignment(Gdiplus::StringAlignmentCenter);
    format.SetLineAlignment(Gdiplus::StringAlignmentCenter);
    format.SetFormatFlags(Gdiplus::StringFormatFlagsNoWrap | Gdiplus::StringFormatFlagsMeasureTrailingSpaces);
    Gdiplus::RectF box(static_cast<Gdiplus::REAL>(width / 2 - kReadoutBoxWidth / 2), kReadoutTop, kReadoutBoxWidth,
                       kReadoutBoxHeight);
    CString text;
    text.Format(L"%d", TemperatureAsInt(Manager::GetCPUTemp()));
    Gdiplus::SolidBrush brush{Gdiplus::Color(kReadoutBrush)};
    graphics.DrawString(text.GetString(), -1, &font, box, &format, &brush);
}

void PaintManager::DrawMessageStrip(HDC dc)
{
    if (m_nMsgAlpha <= 10 || m_strMessage.IsEmpty()) return;
    const int a = m_nMsgAlpha;
    const int l = m_rcMessage.left, t = m_rcMessage.top, r = m_rcMessage.right, b = m_rcMessage.bottom;
    Gdiplus::Graphics graphics(dc);
    Gdiplus::SolidBrush edge(WithAlpha(a, 0xE6E6E6));
    graphics.FillRectangle(&edge, l, t, r - l, b - t);
    Gdiplus::SolidBrush body(WithAlpha(a, 0xFEFEFE));
    graphics.FillRectangle(&body, l + 2, t + 2, r - l - 4, b - t - 4);

    Gdiplus::FontFamily* family = FindTempFont(m_strMsgFont.GetString());
    Gdiplus::Font* font = family ? new Gdiplus::Font(family, 12, Gdiplus::FontStyleRegular, Gdiplus::UnitPixel) : nullptr;
    graphics.SetTextRenderingHint(Gdiplus::TextRenderingHintClearTypeGridFit);
    Gdiplus::StringFormat format;
    format.SetLineAlignment(Gdiplus::StringAlignmentCenter);
    Gdiplus::SolidBrush textBrush(WithAlpha(a, 0x050505));
    if (m_nShownPercent > 0) {
        format.SetAlignment(Gdiplus::StringAlignmentCenter);
        if (font)
            graphics.DrawString(m_strMessage.GetString(), -1, font,
                                Gdiplus::RectF(Gdiplus::REAL(l + 5), Gdiplus::REAL(t + 5), Gdiplus::REAL(r - l - 10), 30),
                                &format, &textBrush);
        Gdiplus::Pen line(Gdiplus::Color(0xC8C8C8C8), 1.0f);
        graphics.DrawLine(&line, l + 10, b - 15, r - 20, b - 15);
        Gdiplus::SolidBrush bar{Gdiplus::Color(0xFEFFE100)};
        graphics.FillRectangle(&bar, l + 10, b - 16, (r - l - 20) * m_nShownPercent / 100, 3);
    } else if (font) {
        graphics.DrawString(m_strMessage.GetString(), -1, font,
                            Gdiplus::RectF(Gdiplus::REAL(l + 5), Gdiplus::REAL(t + 5), 190, 50), &format, &textBrush);
    }
    delete font;
}

} // namespace KOVA
