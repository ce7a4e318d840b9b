#pragma once
// The 6-byte real: byte 0 is the exponent biased by 129 (0 means the value 0), bytes 1..5 hold
// 39 fraction bits below a hidden leading 1, little-endian, with the sign in bit 7 of byte 5.
// Library standard deviations, scaled values and running sums are rounded through it, and that
// rounding is part of the results, so conversions must be exact.
#include <array>
#include <cstdint>

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
// value rounded to 6-byte precision (ties to even), as a double; the same as going through Real48
// and back, without building one. This is the inner step of every coefficient.
double ToReal48Precision(long double value);
inline double ToReal48Precision(double value) { return ToReal48Precision(static_cast<long double>(value)); }

} // namespace velmora
