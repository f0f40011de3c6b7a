#pragma once

#include "device/ZanEasyEncrypt.h"

#include <cstdint>

// The connect-time link exchange (command 0x0E): the host sends four random
// values scrambled over themselves; both sides read the scrambling parameters
// of the session from fixed byte positions, the host from its scrambled
// request and then from the device's unscrambled reply.
namespace vy {

class ICommDeviceMgmt;

constexpr uint8_t kLinkExchangeCode = 0x0E;
constexpr int kLinkExchangeAttempts = 3;
constexpr int kLinkExchangeTimeoutMs = 500;

// Byte positions of the four random values in the request.
constexpr int kLinkValueOffsets[4] = { 6, 12, 24, 32 };

// One random value in 0 .. 32766 from the process-wide generator.
int DrawLinkValue();

// Builds the request in a zero-filled 64-byte `packet` from the four values
// and scrambles it over them; returns the scrambling parameters used.
SScrambleParams BuildLinkRequest(uint8_t* packet, const int values[4]);
// The session parameters carried at their fixed positions of a packet.
SScrambleParams ReadSessionParams(const uint8_t* packet);
// The device's side: places `params` at those positions.
void WriteSessionParams(uint8_t* packet, const SScrambleParams& params);

// Runs the exchange through `manager` (3 attempts of 500 ms). `session`
// receives the parameters of the request, and on success those of the reply.
bool ExchangeLinkParameters(ICommDeviceMgmt& manager, SScrambleParams& session);

} // namespace vy
