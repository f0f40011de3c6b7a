#include "device/ZanEasyEncrypt.h"

#include "device/Packet.h"

namespace vy {

namespace {

// The keystream generator: e = (k * (e mod m) + c) mod 65536, key = e >> 4.
class CKeystream {
public:
    explicit CKeystream(const SScrambleParams& params)
        : m_e(params.seed ? params.seed : 100)
        , m_modulus(params.modulus ? params.modulus : 20)
        , m_multiplier(params.multiplier)
        , m_increment(params.increment)
    {
    }
    uint8_t Next()
    {
        m_e = (m_multiplier * (m_e % m_modulus) + m_increment) & 0xFFFF;
        return static_cast<uint8_t>((m_e >> 4) & 0xFF);
    }

private:
    uint32_t m_e;
    uint32_t m_modulus;
    uint32_t m_multiplier;
    uint32_t m_increment;
};

} // namespace

void ScrambleKeystream(const SScrambleParams& params, uint8_t* keys, int count)
{
    CKeystream stream(params);
    for (int i = 0; i < count; ++i)
        keys[i] = stream.Next();
}

void ScrambleBytes(uint8_t* packet, size_t packetSize, const SScrambleParams& params, int count)
{
    if (!packet || count <= 0 || packetSize <= static_cast<size_t>(kScrambleOffset))
        return;
    if (static_cast<size_t>(count) > packetSize - kScrambleOffset)
        count = static_cast<int>(packetSize - kScrambleOffset);
    CKeystream stream(params);
    for (int i = 0; i < count; ++i)
        packet[kScrambleOffset + i] ^= stream.Next();
}

CZanEasyEncrypt::CZanEasyEncrypt(uint16_t seed, uint8_t modulus, uint16_t multiplier, uint8_t increment, int count)
    : m_seed(seed)
    , m_modulus(modulus)
    , m_multiplier(multiplier)
    , m_increment(increment)
    , m_count(count)
{
}

void CZanEasyEncrypt::Encrypt(uint8_t* packet)
{
    // Packets live in 64-byte buffers; a larger count stops at the buffer's end.
    ScrambleBytes(packet, kPacketBufferSize, SScrambleParams { m_seed, m_modulus, m_multiplier, m_increment }, m_count);
}

void CZanEasyEncrypt::Decrypt(uint8_t* packet)
{
    Encrypt(packet);
}

} // namespace vy
