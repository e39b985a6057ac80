#pragma once
// Drawing of the simulator's view: one three-digit seven-segment read-out per display,
// as the cooler shows it, stacked top to bottom.
#include <windows.h>

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace sim {

struct ViewDisplay {
    std::uint32_t index = 0;
    std::uint16_t firmware = 0;
    // Bytes 3..5 of the newest temperature frame; none received yet when empty.
    std::optional<std::array<std::uint8_t, 3>> digits;
    bool operator==(const ViewDisplay&) const = default;
};

constexpr COLORREF kViewBackground = RGB(18, 18, 20);
constexpr COLORREF kSegmentLit = RGB(255, 70, 40);
constexpr COLORREF kSegmentDark = RGB(52, 20, 16);

// The read-outs of the displays; "no display" when the list is empty.
void PaintView(HDC dc, const RECT& area, const std::vector<ViewDisplay>& displays);

// Where segment `segment` (0 = a .. 6 = g) of read-out position `position` (0 = hundreds)
// of the display in row `row` lies: the middle of the bar.
POINT SegmentCentre(const RECT& area, std::size_t rows, std::size_t row, int position, int segment);

} // namespace sim
