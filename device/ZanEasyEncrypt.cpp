#include "device/ZanEasyEncrypt.h"

#include "device/Packet.h"

namespace vy {

void ScrambleKeystream(const SScrambleParams& params, uint8_t* keys, int count)
{
    uint32_t e = params.seed ? params.seed : 100;
    const uint32_t modulus = params.modulus ? params.modulus : 20;
    for (int i = 0; i < count; ++i) {
        e = (params.multiplier * (e % modulus) + params.increment) & 0xFFFF;
        keys[i] = static_cast<uint8_t>((e >> 4) & 0xFF);
    }
}

void ScrambleBytes(uint8_t* packet, size_t packetSize, const SScrambleParams& params, int count)
{
    if (!packet || count <= 0 || packetSize <= static_cast<size_t>(kScrambleOffset))
        return;
    if (static_cast<size_t>(count) > packetSize - kScrambleOffset)
        count = static_cast<int>(packetSize - kScrambleOffset);
    uint8_t keys[kMaxReportLength];
    if (count > kMaxReportLength)
        count = kMaxReportLength;
    ScrambleKeystream(params, keys, count);
    for (int i = 0; i < count; ++i)
        packet[kScrambleOffset + i] ^= keys[i];
}

CZanEasyEncrypt::CZanEasyEncrypt(uint16_t seed, uint8_t modulus, uint16_t multiplier, uint8_t increment, int count)
    : m_seed(seed), m_modulus(modulus), m_multiplier(multiplier), m_increment(increment), m_count(count)
{
}

void CZanEasyEncrypt::Encrypt(uint8_t* packet)
{
    // Packets live in 64-byte buffers; a larger count stops at the buffer's end.
    ScrambleBytes(packet, kPacketBufferSize, SScrambleParams{m_seed, m_modulus, m_multiplier, m_increment}, m_count);
}

void CZanEasyEncrypt::Decrypt(uint8_t* packet)
{
    Encrypt(packet);
}

}  // namespace vy
