#pragma once

#include <cstdint>

// Multi-byte fields of the card's packets and of effect files.
namespace vy::bytes {

inline void PutBe16(uint8_t* at, uint32_t value)
{
    at[0] = static_cast<uint8_t>(value >> 8);
    at[1] = static_cast<uint8_t>(value);
}
inline void PutBe24(uint8_t* at, uint32_t value)
{
    at[0] = static_cast<uint8_t>(value >> 16);
    at[1] = static_cast<uint8_t>(value >> 8);
    at[2] = static_cast<uint8_t>(value);
}
inline void PutLe16(uint8_t* at, uint32_t value)
{
    at[0] = static_cast<uint8_t>(value);
    at[1] = static_cast<uint8_t>(value >> 8);
}
inline void PutLe24(uint8_t* at, uint32_t value)
{
    at[0] = static_cast<uint8_t>(value);
    at[1] = static_cast<uint8_t>(value >> 8);
    at[2] = static_cast<uint8_t>(value >> 16);
}
inline uint32_t GetBe16(const uint8_t* at)
{
    return static_cast<uint32_t>(at[0]) << 8 | at[1];
}
inline uint32_t GetBe24(const uint8_t* at)
{
    return static_cast<uint32_t>(at[0]) << 16 | static_cast<uint32_t>(at[1]) << 8 | at[2];
}
inline uint32_t GetLe16(const uint8_t* at)
{
    return static_cast<uint32_t>(at[0]) | static_cast<uint32_t>(at[1]) << 8;
}
inline uint32_t GetLe24(const uint8_t* at)
{
    return static_cast<uint32_t>(at[0]) | static_cast<uint32_t>(at[1]) << 8 | static_cast<uint32_t>(at[2]) << 16;
}
inline uint32_t GetLe32(const uint8_t* at)
{
    return static_cast<uint32_t>(at[0]) | static_cast<uint32_t>(at[1]) << 8 | static_cast<uint32_t>(at[2]) << 16
        | static_cast<uint32_t>(at[3]) << 24;
}

constexpr uint32_t CeilDiv(uint32_t value, uint32_t divisor)
{
    return divisor == 0 ? 0 : (value + divisor - 1) / divisor;
}

} // namespace vy::bytes
