// The 6-byte real: byte patterns worked out by hand, exact round trips, and rounding of random
// doubles checked against an independent integer computation on the double's bits.
#include "base/real48.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <random>
#include <vector>

namespace {

using Bytes = std::array<std::uint8_t, 6>;

// Nearest 6-byte real of a normal double in range, ties to even, from the IEEE bit pattern alone.
Bytes ExpectedBytes(double value)
{
    Bytes out{};
    if (value == 0.0)
        return out;
    std::uint64_t bits = 0;
    std::memcpy(&bits, &value, sizeof bits);
    const bool negative = (bits >> 63) != 0;
    int exponent = static_cast<int>((bits >> 52) & 0x7FF) - 1023; // value = 1.f * 2^exponent
    const std::uint64_t significand = (bits & ((std::uint64_t{1} << 52) - 1)) | (std::uint64_t{1} << 52);
    std::uint64_t kept = significand >> 13; // 40 bits: hidden bit + 39 fraction bits
    const std::uint64_t rest = significand & 0x1FFF;
    if (rest > 0x1000 || (rest == 0x1000 && (kept & 1)))
        ++kept;
    if (kept == (std::uint64_t{1} << 40)) {
        kept >>= 1;
        ++exponent;
    }
    const std::uint64_t fraction = kept - (std::uint64_t{1} << 39);
    out[0] = static_cast<std::uint8_t>(exponent + 129);
    for (int i = 0; i < 5; ++i)
        out[1 + i] = static_cast<std::uint8_t>(fraction >> (8 * i));
    if (negative)
        out[5] |= 0x80;
    return out;
}

// Value of a 6-byte pattern, decoded independently (integer significand, exact ldexp).
double DecodeBytes(const Bytes& b)
{
    if (b[0] == 0)
        return 0.0;
    std::uint64_t fraction = 0;
    for (int i = 0; i < 5; ++i)
        fraction |= std::uint64_t{b[1 + i]} << (8 * i);
    const bool negative = (fraction >> 39) & 1;
    fraction &= (std::uint64_t{1} << 39) - 1;
    const double magnitude =
        std::ldexp(static_cast<double>(fraction | (std::uint64_t{1} << 39)), b[0] - 129 - 39);
    return negative ? -magnitude : magnitude;
}

struct PatternCase {
    double value;
    Bytes bytes;
};

// Hand-computed: exponent byte = binary exponent + 129; fraction bit 37 is bit 5 of byte 5, etc.
TEST(Real48, KnownBytePatterns)
{
    const std::vector<PatternCase> cases = {
        {1.0, {0x81, 0, 0, 0, 0, 0}},
        {0.5, {0x80, 0, 0, 0, 0, 0}},
        {-2.5, {0x82, 0, 0, 0, 0, 0xA0}},     // 1.25 * 2^1, fraction 2^37, sign bit
        {0.75, {0x80, 0, 0, 0, 0, 0x40}},     // 1.5 * 2^-1
        {0.01, {0x7A, 0x71, 0x3D, 0x0A, 0xD7, 0x23}}, // 1.28 * 2^-7, 0.28 * 2^39 = ...888.64 rounds up
        {std::ldexp(2.0 - std::ldexp(1.0, -39), 0), {0x81, 0xFF, 0xFF, 0xFF, 0xFF, 0x7F}},
        {std::ldexp(1.0, -128), {0x01, 0, 0, 0, 0, 0}}, // smallest non-zero value
        // Ties between two 6-byte reals go to the even fraction.
        {1.0 + std::ldexp(1.0, -40), {0x81, 0, 0, 0, 0, 0}},
        {1.0 + 3 * std::ldexp(1.0, -40), {0x81, 0x02, 0, 0, 0, 0}},
        {-(1.0 + 3 * std::ldexp(1.0, -40)), {0x81, 0x02, 0, 0, 0, 0x80}},
        {1.0 + std::ldexp(1.0, -40) + std::ldexp(1.0, -52), {0x81, 0x01, 0, 0, 0, 0}},
        // All-ones fraction plus half a unit carries into the exponent.
        {2.0 - std::ldexp(1.0, -40), {0x82, 0, 0, 0, 0, 0}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.value);
        EXPECT_EQ(velmora::Real48::FromDouble(c.value).Bytes(), c.bytes);
        EXPECT_EQ(velmora::Real48::FromBytes(c.bytes.data()).ToDouble(), DecodeBytes(c.bytes));
    }
}

// Exponent byte 0 means zero whatever the other bytes hold; zero of either sign is all zero bytes.
TEST(Real48, ZeroAndRangeLimits)
{
    const Bytes zero{};
    EXPECT_EQ(velmora::Real48::FromDouble(0.0).Bytes(), zero);
    EXPECT_EQ(velmora::Real48::FromDouble(-0.0).Bytes(), zero);
    const Bytes junk{0x00, 0xFF, 0x12, 0x34, 0x56, 0xFF};
    EXPECT_EQ(velmora::Real48::FromBytes(junk.data()).ToDouble(), 0.0);

    const double largest = std::ldexp(2.0 - std::ldexp(1.0, -39), 126);
    EXPECT_EQ(velmora::Real48::FromBytes(Bytes{0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0x7F}.data()).ToDouble(),
              largest);
    // Out of range: too small becomes 0, too large keeps its sign at the largest magnitude.
    EXPECT_EQ((std::vector<double>{velmora::ToReal48Precision(1e-300), velmora::ToReal48Precision(-1e-300),
                                   velmora::ToReal48Precision(1e300), velmora::ToReal48Precision(-1e300)}),
              (std::vector<double>{0, 0, largest, -largest}));
}

// Every value with at most 40 significant bits inside the exponent range survives unchanged,
// and every 6-byte pattern with a non-zero exponent survives double and back.
TEST(Real48, ExactRoundTrips)
{
    std::mt19937_64 random(48);
    std::uniform_int_distribution<std::uint64_t> significand(std::uint64_t{1} << 39,
                                                             (std::uint64_t{1} << 40) - 1);
    std::uniform_int_distribution<int> exponent(-128 - 39 + 1, 126 - 39);
    for (int n = 0; n < 20000; ++n) {
        double value = std::ldexp(static_cast<double>(significand(random)), exponent(random));
        if (n % 2)
            value = -value;
        ASSERT_EQ(velmora::ToReal48Precision(value), value) << std::hexfloat << value;
    }
    std::uniform_int_distribution<int> byte(0, 255);
    for (int n = 0; n < 20000; ++n) {
        Bytes b;
        for (auto& v : b)
            v = static_cast<std::uint8_t>(byte(random));
        if (b[0] == 0)
            b[0] = 1;
        const double value = velmora::Real48::FromBytes(b.data()).ToDouble();
        ASSERT_EQ(value, DecodeBytes(b));
        ASSERT_EQ(velmora::Real48::FromDouble(value).Bytes(), b);
    }
}

// Random doubles (full 53-bit significands, also exact ties) round as the integer model says,
// stay within half a unit of the 40th bit, and rounding never reverses the order of two values.
TEST(Real48, RoundsRandomDoublesToNearestEven)
{
    std::mt19937_64 random(129);
    std::uniform_int_distribution<std::uint64_t> bits53(std::uint64_t{1} << 52,
                                                        (std::uint64_t{1} << 53) - 1);
    std::uniform_int_distribution<int> exponent(-120, 120);
    std::vector<double> values;
    for (int n = 0; n < 30000; ++n) {
        std::uint64_t s = bits53(random);
        if (n % 5 == 0)
            s = (s & ~std::uint64_t{0x1FFF}) | 0x1000; // exactly halfway
        const int e = exponent(random);
        double value = std::ldexp(static_cast<double>(s), e - 52);
        if (n % 3 == 0)
            value = -value;
        values.push_back(value);
        const auto got = velmora::Real48::FromDouble(value);
        ASSERT_EQ(got.Bytes(), ExpectedBytes(value)) << std::hexfloat << value;
        const long double error = std::fabs(static_cast<long double>(got.ToDouble()) - value);
        ASSERT_LE(error, std::ldexp(1.0L, e - 40)) << std::hexfloat << value;
    }
    std::sort(values.begin(), values.end());
    for (std::size_t n = 1; n < values.size(); ++n)
        ASSERT_LE(velmora::ToReal48Precision(values[n - 1]), velmora::ToReal48Precision(values[n]))
            << std::hexfloat << values[n - 1] << " " << values[n];
}

} // namespace

namespace {

// The fast rounding of extended values must agree with building the 6-byte real field by field,
// ties and carries included, over the whole range.
TEST(Real48FastRounding, AgreesWithTheFieldByFieldConversion)
{
    std::mt19937_64 random(11);
    for (int i = 0; i < 200000; ++i) {
        long double value = std::ldexp(static_cast<long double>(random()) / 18446744073709551616.0L,
                                       static_cast<int>(random() % 270) - 135);
        if (i % 3 == 0) // exact ties: 40 significant bits plus one half
            value = std::ldexp(static_cast<long double>((random() >> 24) | (1ull << 39)) + 0.5L,
                               static_cast<int>(random() % 250) - 125);
        if (i % 7 == 0) // all ones below the cut: rounding carries into the exponent
            value = std::ldexp(static_cast<long double>((1ull << 40) - 1) + 0.75L, static_cast<int>(random() % 250) - 165);
        if (random() % 2)
            value = -value;
        ASSERT_EQ(velmora::ToReal48Precision(value), velmora::Real48::FromLongDouble(value).ToDouble())
            << static_cast<double>(value);
    }
}

} // namespace
