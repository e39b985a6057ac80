#include "SensorParse.h"

#include <charconv>
#include <cmath>
#include <system_error>

namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }
bool IsDigit(char c) { return c >= '0' && c <= '9'; }

} // namespace

std::size_t TrimmedLength(const char* text, std::size_t length, std::size_t* start)
{
    std::size_t begin = 0;
    while (begin < length && IsBlank(text[begin])) ++begin;
    std::size_t end = length;
    while (end > begin && IsBlank(text[end - 1])) --end;
    *start = begin;
    return end - begin;
}

bool ParseCelsiusText(const char* text, std::size_t length, float* celsius)
{
    if (!text) return false;
    // Notepad saves UTF-8 with a byte-order mark.
    if (length >= 3 && static_cast<unsigned char>(text[0]) == 0xEF && static_cast<unsigned char>(text[1]) == 0xBB &&
        static_cast<unsigned char>(text[2]) == 0xBF) {
        text += 3;
        length -= 3;
    }
    std::size_t start = 0;
    length = TrimmedLength(text, length, &start);
    const char* p = text + start;
    const char* end = p + length;

    // from_chars takes no '+', and would also take "nan", "inf" and exponents, which
    // nobody writes as a temperature: check the shape first.
    if (p < end && *p == '+') ++p;
    const char* number = p;
    if (p < end && *p == '-' && number == text + start) ++p;
    int digits = 0, points = 0;
    for (; p < end; ++p) {
        if (IsDigit(*p))
            ++digits;
        else if (*p == '.' && points == 0)
            ++points;
        else
            return false;
    }
    if (digits == 0) return false;

    float value = 0;
    auto [last, error] = std::from_chars(number, end, value, std::chars_format::fixed);
    if (error != std::errc() || last != end || !std::isfinite(value)) return false;
    *celsius = value;
    return true;
}

bool ParseMillidegrees(const char* text, std::size_t length, float* celsius)
{
    if (!text) return false;
    std::size_t start = 0;
    length = TrimmedLength(text, length, &start);
    const char* p = text + start;
    const char* end = p + length;
    bool negative = p < end && *p == '-';
    if (negative) ++p;
    // Nine digits hold every real reading and cannot overflow.
    if (p == end || end - p > 9) return false;
    long value = 0;
    for (; p < end; ++p) {
        if (!IsDigit(*p)) return false;
        value = value * 10 + (*p - '0');
    }
    *celsius = static_cast<float>((negative ? -value : value) / 1000.0);
    return true;
}

float TenthsOfKelvinToCelsius(unsigned long tenths) { return static_cast<float>((tenths - 2731.5) / 10.0); }

bool IsPlausibleCpuCelsius(float celsius) { return std::isfinite(celsius) && celsius > -60.0f && celsius < 200.0f; }
