#pragma once

#include "device/CommEncrypt.h"

#include <cstddef>
#include <cstdint>

namespace vy {

// The parameters of the easy scrambler. A seed of 0 means 100 and a modulus
// of 0 means 20.
struct SScrambleParams {
    uint16_t seed = 0;
    uint8_t modulus = 0;
    uint16_t multiplier = 0;
    uint8_t increment = 0;

    bool operator==(const SScrambleParams&) const = default;
};

// Every scrambled range in use starts at the payload and covers 35 bytes.
constexpr int kScrambleOffset = 4;
constexpr int kScrambleCount = 35;

// XORs bytes 4 .. 4 + count - 1 of `packet` (never past `packetSize`) with the
// keystream of `params`. The keystream depends on the parameters only, so the
// same call also undoes the scrambling.
void ScrambleBytes(uint8_t* packet, size_t packetSize, const SScrambleParams& params, int count);
// The first `count` keystream bytes, for inspection.
void ScrambleKeystream(const SScrambleParams& params, uint8_t* keys, int count);

// The scrambler as an object over 64-byte packet buffers.
class CZanEasyEncrypt : public ICommEncrypt {
public:
    CZanEasyEncrypt(uint16_t seed, uint8_t modulus, uint16_t multiplier, uint8_t increment, int count);

    void Encrypt(uint8_t* packet) override;
    void Decrypt(uint8_t* packet) override;

private:
    uint16_t m_seed;
    uint8_t m_modulus;
    uint16_t m_multiplier;
    uint8_t m_increment;
    int m_count;
};

} // namespace vy
