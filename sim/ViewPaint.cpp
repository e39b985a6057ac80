#include "ViewPaint.h"

#include <algorithm>

#include "Readout.h"

namespace sim {

namespace {

constexpr COLORREF kCaptionColour = RGB(200, 200, 200);

struct Bar {
    double x0, y0, x1, y1; // the bar's axis, end to end
};

struct DigitBox {
    double left, top, width, height;
};

// A row: a caption strip over the three digit boxes, centred, at most as tall as the
// row allows and no wider than it.
struct RowLayout {
    RECT caption;
    DigitBox digits[3];
};

RowLayout LayoutRow(const RECT& area, std::size_t rows, std::size_t row)
{
    double rowHeight = double(area.bottom - area.top) / double(std::max<std::size_t>(rows, 1));
    double top = area.top + rowHeight * double(row);
    double width = area.right - area.left;
    double captionHeight = std::max(18.0, rowHeight * 0.16);
    double digitHeight = std::min((rowHeight - captionHeight) * 0.8, width * 0.8 / 3.0 / 0.62);
    double digitWidth = digitHeight * 0.55;
    double spacing = digitWidth * 0.18;
    double total = digitWidth * 3 + spacing * 2;
    double left = area.left + (width - total) / 2;
    double digitTop = top + captionHeight + (rowHeight - captionHeight - digitHeight) / 2;

    RowLayout layout;
    layout.caption = {area.left, static_cast<LONG>(top), area.right, static_cast<LONG>(top + captionHeight)};
    for (int i = 0; i < 3; ++i)
        layout.digits[i] = {left + i * (digitWidth + spacing), digitTop, digitWidth, digitHeight};
    return layout;
}

double Thickness(const DigitBox& box) { return box.width * 0.2; }

Bar SegmentBar(const DigitBox& box, int segment)
{
    double t = Thickness(box), gap = t * 0.2;
    double left = box.left + t / 2, right = box.left + box.width - t / 2;
    double top = box.top + t / 2, middle = box.top + box.height / 2, bottom = box.top + box.height - t / 2;
    switch (segment) {
    case 0: return {left + gap, top, right - gap, top};        // a
    case 1: return {right, top + gap, right, middle - gap};    // b
    case 2: return {right, middle + gap, right, bottom - gap}; // c
    case 3: return {left + gap, bottom, right - gap, bottom};  // d
    case 4: return {left, middle + gap, left, bottom - gap};   // e
    case 5: return {left, top + gap, left, middle - gap};      // f
    default: return {left + gap, middle, right - gap, middle}; // g
    }
}

// A bar drawn as a long hexagon with pointed ends, as on a real segment display.
void DrawBar(HDC dc, const Bar& bar, double thickness)
{
    double h = thickness / 2;
    POINT points[6];
    if (bar.y0 == bar.y1) {
        points[0] = {LONG(bar.x0), LONG(bar.y0)};
        points[1] = {LONG(bar.x0 + h), LONG(bar.y0 - h)};
        points[2] = {LONG(bar.x1 - h), LONG(bar.y0 - h)};
        points[3] = {LONG(bar.x1), LONG(bar.y0)};
        points[4] = {LONG(bar.x1 - h), LONG(bar.y0 + h)};
        points[5] = {LONG(bar.x0 + h), LONG(bar.y0 + h)};
    } else {
        points[0] = {LONG(bar.x0), LONG(bar.y0)};
        points[1] = {LONG(bar.x0 + h), LONG(bar.y0 + h)};
        points[2] = {LONG(bar.x0 + h), LONG(bar.y1 - h)};
        points[3] = {LONG(bar.x0), LONG(bar.y1)};
        points[4] = {LONG(bar.x0 - h), LONG(bar.y1 - h)};
        points[5] = {LONG(bar.x0 - h), LONG(bar.y0 + h)};
    }
    Polygon(dc, points, 6);
}

void DrawCaption(HDC dc, const std::wstring& text, RECT rect, UINT format)
{
    ::DrawTextW(dc, text.c_str(), static_cast<int>(text.size()), &rect, format | DT_SINGLELINE | DT_NOPREFIX);
}

} // namespace

POINT SegmentCentre(const RECT& area, std::size_t rows, std::size_t row, int position, int segment)
{
    Bar bar = SegmentBar(LayoutRow(area, rows, row).digits[position], segment);
    return {LONG((bar.x0 + bar.x1) / 2), LONG((bar.y0 + bar.y1) / 2)};
}

void PaintView(HDC dc, const RECT& area, const std::vector<ViewDisplay>& displays)
{
    HBRUSH background = CreateSolidBrush(kViewBackground);
    FillRect(dc, &area, background);
    DeleteObject(background);

    int rowHeight = (area.bottom - area.top) / int(std::max<std::size_t>(displays.size(), 1));
    HFONT font =
        CreateFontW(-std::clamp(rowHeight / 9, 12, 28), 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, DEFAULT_CHARSET,
                    OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, ANTIALIASED_QUALITY, DEFAULT_PITCH | FF_SWISS, L"Arial");
    HGDIOBJ oldFont = SelectObject(dc, font);
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, kCaptionColour);

    if (displays.empty()) DrawCaption(dc, L"no display", area, DT_CENTER | DT_VCENTER);

    HBRUSH lit = CreateSolidBrush(kSegmentLit), dark = CreateSolidBrush(kSegmentDark);
    HGDIOBJ oldPen = SelectObject(dc, GetStockObject(NULL_PEN));
    HGDIOBJ oldBrush = SelectObject(dc, dark);
    for (std::size_t row = 0; row < displays.size(); ++row) {
        const ViewDisplay& display = displays[row];
        RowLayout layout = LayoutRow(area, displays.size(), row);
        wchar_t caption[128];
        swprintf(caption, 128, L"Display %u  (firmware 0x%04x)%ls", display.index, display.firmware,
                 display.digits ? L"" : L"  \x2014  waiting for data");
        DrawCaption(dc, caption, layout.caption, DT_CENTER | DT_VCENTER);

        std::array<std::uint8_t, 3> segments = {0, 0, 0};
        if (display.digits)
            segments = ReadoutSegments((*display.digits)[0], (*display.digits)[1], (*display.digits)[2]);
        for (int position = 0; position < 3; ++position) {
            const DigitBox& box = layout.digits[position];
            for (int segment = 0; segment < kSegmentCount; ++segment) {
                SelectObject(dc, (segments[position] >> segment) & 1 ? lit : dark);
                DrawBar(dc, SegmentBar(box, segment), Thickness(box));
            }
        }
    }
    SelectObject(dc, oldBrush);
    SelectObject(dc, oldPen);
    SelectObject(dc, oldFont);
    DeleteObject(lit);
    DeleteObject(dark);
    DeleteObject(font);
}

} // namespace sim
