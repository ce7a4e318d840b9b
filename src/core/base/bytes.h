#pragma once
// Little-endian fields of the binary files, read and written byte by byte on any host.
#include <cstdint>
#include <cstring>

namespace velmora {

inline std::uint16_t GetU16(const std::uint8_t* p) { return static_cast<std::uint16_t>(p[0] | (p[1] << 8)); }

inline std::uint32_t GetU32(const std::uint8_t* p)
{
    return std::uint32_t{p[0]} | (std::uint32_t{p[1]} << 8) | (std::uint32_t{p[2]} << 16) | (std::uint32_t{p[3]} << 24);
}

inline std::int32_t GetI32(const std::uint8_t* p) { return static_cast<std::int32_t>(GetU32(p)); }

inline double GetDouble(const std::uint8_t* p)
{
    const std::uint64_t bits = GetU32(p) | (std::uint64_t{GetU32(p + 4)} << 32);
    double value;
    std::memcpy(&value, &bits, sizeof value);
    return value;
}

inline void PutU16(std::uint8_t* p, unsigned value)
{
    p[0] = static_cast<std::uint8_t>(value);
    p[1] = static_cast<std::uint8_t>(value >> 8);
}

inline void PutU32(std::uint8_t* p, std::uint32_t value)
{
    for (int i = 0; i < 4; ++i)
        p[i] = static_cast<std::uint8_t>(value >> (8 * i));
}

inline void PutDouble(std::uint8_t* p, double value)
{
    std::uint64_t bits;
    std::memcpy(&bits, &value, sizeof bits);
    PutU32(p, static_cast<std::uint32_t>(bits));
    PutU32(p + 4, static_cast<std::uint32_t>(bits >> 32));
}

} // namespace velmora
