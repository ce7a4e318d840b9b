#pragma once
// The 6-byte real: byte 0 is the exponent biased by 129 (0 means the value 0), bytes 1..5 hold
// 39 fraction bits below a hidden leading 1, little-endian, with the sign in bit 7 of byte 5.
// Library standard deviations, scaled values and running sums are rounded through it, and that
// rounding is part of the results, so conversions must be exact.
#include <array>
#include <cstdint>
#include <cstring>

namespace velmora {

class Real48 {
public:
    Real48() = default;

    // Rounds to the nearest 6-byte real (ties to even). Magnitudes below the smallest normal value
    // become 0; magnitudes above the largest become the largest, keeping the sign.
    static Real48 FromDouble(double value);
    // The same from extended precision, rounded once (no detour through double).
    static Real48 FromLongDouble(long double value);
    static Real48 FromBytes(const std::uint8_t* bytes);

    // Exact: every 6-byte real is a double.
    double ToDouble() const;
    const std::array<std::uint8_t, 6>& Bytes() const { return m_bytes; }

    friend bool operator==(const Real48&, const Real48&) = default;

private:
    std::array<std::uint8_t, 6> m_bytes{};
};

// value rounded to 6-byte precision and back.
double Real48SlowRounding(long double value);

// value rounded to 6-byte precision (ties to even), as a double; the same as going through Real48
// and back, without building one. This is the inner step of every coefficient, hence inline.
//
// The value is first rounded to a double, then the double to 40 significant bits. Rounding twice
// gives the same result as rounding once except when the double lands exactly halfway between two
// 6-byte values (the low 13 bits of its fraction are 1 followed by zeros); those values, and
// values outside the 6-byte range, take the exact field-by-field way.
inline double ToReal48Precision(long double value)
{
    if (value == 0)
        return 0.0;
    const double rounded = static_cast<double>(value);
    std::uint64_t bits;
    std::memcpy(&bits, &rounded, sizeof bits);
    const int exponent = static_cast<int>((bits >> 52) & 0x7FF) - 1023;
    if (exponent > -128 && exponent < 126 && (bits & 0x1FFF) != 0x1000) {
        bits += 0xFFF + ((bits >> 13) & 1); // to nearest, ties to even; a carry moves into the exponent
        bits &= ~std::uint64_t{0x1FFF};
        double result;
        std::memcpy(&result, &bits, sizeof result);
        return result;
    }
    return Real48SlowRounding(value);
}

inline double ToReal48Precision(double value) { return ToReal48Precision(static_cast<long double>(value)); }

// For computing in double what is specified in extended precision: h, a double within a few units
// in its last place of an exact value x whose extended-precision form is within one unit of x.
// When h is at least kReal48MidpointMargin units away from every point halfway between two 6-byte
// values and well inside the 6-byte range, x, its extended form and h all round to the same 6-byte
// value: rounded receives it and the result is true. Otherwise false (the caller takes the
// extended way).
inline constexpr int kReal48MidpointMargin = 16;
inline bool Real48RoundedIfClear(double h, double& rounded)
{
    std::uint64_t bits;
    std::memcpy(&bits, &h, sizeof bits);
    const int exponent = static_cast<int>((bits >> 52) & 0x7FF) - 1023;
    const int low = static_cast<int>(bits & 0x1FFF) - 0x1000; // units from the midpoint of its binade
    if (exponent <= -120 || exponent >= 120 || (low <= kReal48MidpointMargin && low >= -kReal48MidpointMargin))
        return false;
    // Veltkamp's splitting: h rounded to nearest on 53 - 13 = 40 bits (ties, which it may break
    // either way, are excluded above), without leaving the floating-point unit. Needs the three
    // operations rounded one by one: no contraction into fused multiply-adds.
    const double scaled = h * 8193.0;
    rounded = scaled - (scaled - h);
    return true;
}

// d = a - b; true when that double is the exact difference (then the extended one is the same).
inline bool ExactDoubleDifference(double a, double b, double& d)
{
    d = a - b;
    const double back = d - a;
    return (a - (d - back)) + (-b - back) == 0.0;
}

} // namespace velmora
