#include "device/Packet.h"

#include <array>

namespace vy {
namespace {

// The table is defined by its values at the single bits; every other entry
// is the XOR of the entries of its bits. It is not a plain polynomial CRC.
constexpr std::array<uint8_t, 8> kBasis = { 0x31, 0x62, 0xC4, 0x88, 0x21, 0x73, 0xE6, 0xCC };

constexpr std::array<uint8_t, 256> BuildTable()
{
    std::array<uint8_t, 256> table {};
    for (int x = 0; x < 256; ++x) {
        uint8_t value = 0;
        for (int bit = 0; bit < 8; ++bit) {
            if (x & (1 << bit))
                value ^= kBasis[bit];
        }
        table[x] = value;
    }
    return table;
}

constexpr std::array<uint8_t, 256> kTable = BuildTable();

} // namespace

uint8_t CheckByteTable(uint8_t index)
{
    return kTable[index];
}

uint8_t CheckByte(const uint8_t* data, size_t length)
{
    uint8_t accumulator = 0;
    for (size_t i = 0; i < length; ++i)
        accumulator = kTable[accumulator ^ data[i]];
    return accumulator ^ 0xFF;
}

} // namespace vy
