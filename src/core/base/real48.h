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
inline double ToReal48Precision(long double value)
{
#if defined(__x86_64__) || defined(__i386__)
    // x87 extended: 64-bit mantissa with an explicit leading bit, 15-bit exponent biased by 16383.
    static_assert(sizeof(long double) >= 10);
    std::uint64_t mantissa;
    std::uint16_t signExponent;
    std::memcpy(&mantissa, &value, 8);
    std::memcpy(&signExponent, reinterpret_cast<const char*>(&value) + 8, 2);
    const int exponent = (signExponent & 0x7FFF) - 16383; // value = 1.f * 2^exponent
    // Inside the 6-byte range (2^-128 .. below 2^127) and normal: keep 40 significant bits.
    if (exponent > -128 && exponent < 126 && (mantissa >> 63) != 0) {
        constexpr int kDrop = 64 - 40;
        const std::uint64_t lsb = (mantissa >> kDrop) & 1;
        const std::uint64_t rounded = mantissa + ((std::uint64_t{1} << (kDrop - 1)) - 1) + lsb;
        // The double is put together from its fields: 40 significant bits always fit.
        std::uint64_t fraction = (rounded >> kDrop) & ((std::uint64_t{1} << 39) - 1);
        int e = exponent;
        if (rounded < mantissa) { // carried out of the mantissa: 2^(exponent + 1)
            fraction = 0;
            ++e;
        }
        const std::uint64_t bits = (std::uint64_t{(signExponent & 0x8000u) != 0} << 63) |
                                   (static_cast<std::uint64_t>(e + 1023) << 52) | (fraction << 13);
        double result;
        std::memcpy(&result, &bits, sizeof result);
        return result;
    }
#endif
    return Real48SlowRounding(value);
}

inline double ToReal48Precision(double value) { return ToReal48Precision(static_cast<long double>(value)); }

} // namespace velmora
