#pragma once
// Round and Trunc as every part of the system means them: Round is to the nearest integer with
// halves to the even neighbour, Trunc is toward zero. std::round (halves away from zero) is
// never the right tool here.
#include <cmath>
#include <cstdint>

namespace velmora {

inline std::int64_t Round(double value)
{
    return static_cast<std::int64_t>(std::nearbyint(value));
}

inline std::int64_t Trunc(double value)
{
    return static_cast<std::int64_t>(std::trunc(value));
}

} // namespace velmora
