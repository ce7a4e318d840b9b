#include "base/real48.h"

#include <cmath>
#include <cstring>

namespace velmora {

namespace {
constexpr int kFractionBits = 39;
constexpr std::uint64_t kFractionMask = (std::uint64_t{1} << kFractionBits) - 1;
} // namespace

Real48 Real48::FromDouble(double value) { return FromLongDouble(value); }

Real48 Real48::FromLongDouble(long double value)
{
    Real48 result;
    if (value == 0.0L || std::isnan(value))
        return result;
    const bool negative = std::signbit(value);
    const long double magnitude = std::fabs(value);
    int exponent = 0;
    std::uint64_t fraction = 0;
    if (std::isinf(magnitude)) {
        exponent = 255;
        fraction = kFractionMask;
    } else {
        int e = 0;
        const long double m = std::frexp(magnitude, &e); // magnitude = m * 2^e, m in [0.5, 1)
        // 1.f * 2^(E - 129) = (2m) * 2^(e - 1)  =>  E = e + 128
        exponent = e + 128;
        // Exact: 2m - 1 has at most 63 significant bits and the scaling is by a power of two.
        const long double scaled = std::ldexp(2.0L * m - 1.0L, kFractionBits);
        long double rounded = std::nearbyint(scaled); // ties to even in the default mode
        if (rounded >= std::ldexp(1.0L, kFractionBits)) {
            rounded = 0.0L;
            ++exponent;
        }
        fraction = static_cast<std::uint64_t>(rounded);
        if (exponent <= 0)
            return result;
        if (exponent > 255) {
            exponent = 255;
            fraction = kFractionMask;
        }
    }
    result.m_bytes[0] = static_cast<std::uint8_t>(exponent);
    for (int i = 0; i < 5; ++i)
        result.m_bytes[1 + i] = static_cast<std::uint8_t>(fraction >> (8 * i));
    if (negative)
        result.m_bytes[5] |= 0x80;
    return result;
}

double Real48SlowRounding(long double value) { return Real48::FromLongDouble(value).ToDouble(); }

Real48 Real48::FromBytes(const std::uint8_t* bytes)
{
    Real48 result;
    for (int i = 0; i < 6; ++i)
        result.m_bytes[i] = bytes[i];
    return result;
}

double Real48::ToDouble() const
{
    if (m_bytes[0] == 0)
        return 0.0;
    std::uint64_t fraction = 0;
    for (int i = 0; i < 5; ++i)
        fraction |= std::uint64_t{m_bytes[1 + i]} << (8 * i);
    const bool negative = (fraction >> kFractionBits) & 1;
    fraction &= kFractionMask;
    const double mantissa = 1.0 + std::ldexp(static_cast<double>(fraction), -kFractionBits);
    const double value = std::ldexp(mantissa, int{m_bytes[0]} - 129);
    return negative ? -value : value;
}

} // namespace velmora
