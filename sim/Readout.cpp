#include "Readout.h"

namespace sim {

std::uint8_t DigitSegments(int digit)
{
    static const std::uint8_t kDigits[10] = {
        SegA | SegB | SegC | SegD | SegE | SegF,        // 0
        SegB | SegC,                                    // 1
        SegA | SegB | SegD | SegE | SegG,               // 2
        SegA | SegB | SegC | SegD | SegG,               // 3
        SegB | SegC | SegF | SegG,                      // 4
        SegA | SegC | SegD | SegF | SegG,               // 5
        SegA | SegC | SegD | SegE | SegF | SegG,        // 6
        SegA | SegB | SegC,                             // 7
        SegA | SegB | SegC | SegD | SegE | SegF | SegG, // 8
        SegA | SegB | SegC | SegD | SegF | SegG,        // 9
    };
    return (digit >= 0 && digit <= 9) ? kDigits[digit] : static_cast<std::uint8_t>(SegG);
}

std::array<std::uint8_t, 3> ReadoutSegments(int hundreds, int tens, int units)
{
    bool hundredsDark = hundreds == 0;
    bool tensDark = hundredsDark && tens == 0;
    return {hundredsDark ? std::uint8_t(0) : DigitSegments(hundreds), tensDark ? std::uint8_t(0) : DigitSegments(tens),
            DigitSegments(units)};
}

} // namespace sim
