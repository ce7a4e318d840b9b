// Round is half-to-even and Trunc is toward zero everywhere; half-away-from-zero would shift
// Round's results on exact halves, which occur in practice (coordinates, scaled values).
#include "base/numeric.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

namespace {

struct Case {
    double value;
    std::int64_t round;
    std::int64_t trunc;
};

TEST(Numeric, RoundHalvesToEvenTruncTowardZero)
{
    const std::vector<Case> cases = {
        {0.5, 0, 0},       {1.5, 2, 1},        {2.5, 2, 2},     {3.5, 4, 3},
        {-0.5, 0, 0},      {-1.5, -2, -1},     {-2.5, -2, -2},  {-3.5, -4, -3},
        {2.4999999, 2, 2}, {2.5000001, 3, 2},  {-2.6, -3, -2},  {-0.3, 0, 0},
        {7.0, 7, 7},       {-7.0, -7, -7},     {0.0, 0, 0},
        // 2^52 - 0.5 is exact in a double; the even neighbour is 2^52.
        {4503599627370495.5, 4503599627370496, 4503599627370495},
        {-4503599627370495.5, -4503599627370496, -4503599627370495},
        {3000000000.5, 3000000000, 3000000000}, // beyond 32 bits
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.value);
        EXPECT_EQ(velmora::Round(c.value), c.round);
        EXPECT_EQ(velmora::Trunc(c.value), c.trunc);
    }
}

} // namespace
