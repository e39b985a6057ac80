#pragma once
// What a three-digit seven-segment read-out lights for a temperature frame's digits.
// No platform dependencies.
#include <array>
#include <cstdint>

namespace sim {

// Segment bits, the usual lettering: a top, b upper right, c lower right, d bottom,
// e lower left, f upper left, g middle.
enum Segment : std::uint8_t {
    SegA = 1 << 0,
    SegB = 1 << 1,
    SegC = 1 << 2,
    SegD = 1 << 3,
    SegE = 1 << 4,
    SegF = 1 << 5,
    SegG = 1 << 6,
};
constexpr int kSegmentCount = 7;

// Lit segments of one digit 0..9; any other value shows a dash (the middle segment),
// as a read-out does for data it cannot show.
std::uint8_t DigitSegments(int digit);

// The three positions of the read-out for hundreds, tens and units. Leading zeros stay
// dark: 42 shows " 42", 7 shows "  7", 105 shows "105".
std::array<std::uint8_t, 3> ReadoutSegments(int hundreds, int tens, int units);

} // namespace sim
