#include "device/LinkExchange.h"

#include "device/CommDeviceMgmt.h"
#include "device/Packet.h"

#include <chrono>
#include <cstring>
#include <mutex>
#include <random>

namespace vy {
namespace {

constexpr int kSeedLow = 14;
constexpr int kSeedHigh = 25;
constexpr int kModulus = 30;
constexpr int kMultiplierLow = 16;
constexpr int kMultiplierHigh = 6;
constexpr int kIncrement = 37;

void PutLe32(uint8_t* at, uint32_t value)
{
    for (int i = 0; i < 4; ++i)
        at[i] = static_cast<uint8_t>(value >> (8 * i));
}

} // namespace

int DrawLinkValue()
{
    static std::mutex mutex;
    static std::mt19937 generator(
        static_cast<uint32_t>(std::chrono::system_clock::now().time_since_epoch().count() ^ std::random_device {}()));
    std::lock_guard<std::mutex> guard(mutex);
    // A 15-bit draw scaled into 0 .. 32766, as the card's peers expect.
    const int draw = static_cast<int>(generator() & 0x7FFF);
    return static_cast<int>(draw / 32768.0 * 32767.0);
}

SScrambleParams BuildLinkRequest(uint8_t* packet, const int values[4])
{
    std::memset(packet, 0, kPacketBufferSize);
    packet[kPacketCode] = kLinkExchangeCode;
    for (int i = 0; i < 4; ++i)
        PutLe32(packet + kLinkValueOffsets[i], static_cast<uint32_t>(values[i]));
    SScrambleParams params;
    params.seed = static_cast<uint16_t>(values[0] & 0xFF);
    params.increment = static_cast<uint8_t>(values[1] & 0xFF);
    params.multiplier = static_cast<uint16_t>(values[2] & 0xFF);
    params.modulus = static_cast<uint8_t>(values[3] & 0xFF);
    ScrambleBytes(packet, kPacketBufferSize, params, kScrambleCount);
    return params;
}

SScrambleParams ReadSessionParams(const uint8_t* packet)
{
    SScrambleParams params;
    params.seed = static_cast<uint16_t>(packet[kSeedLow] | packet[kSeedHigh] << 8);
    params.modulus = packet[kModulus];
    params.multiplier = static_cast<uint16_t>(packet[kMultiplierLow] | packet[kMultiplierHigh] << 8);
    params.increment = packet[kIncrement];
    return params;
}

void WriteSessionParams(uint8_t* packet, const SScrambleParams& params)
{
    packet[kSeedLow] = static_cast<uint8_t>(params.seed & 0xFF);
    packet[kSeedHigh] = static_cast<uint8_t>(params.seed >> 8);
    packet[kModulus] = params.modulus;
    packet[kMultiplierLow] = static_cast<uint8_t>(params.multiplier & 0xFF);
    packet[kMultiplierHigh] = static_cast<uint8_t>(params.multiplier >> 8);
    packet[kIncrement] = params.increment;
}

bool ExchangeLinkParameters(ICommDeviceMgmt& manager, SScrambleParams& session)
{
    PacketBuffer request {};
    const int values[4] = { DrawLinkValue(), DrawLinkValue(), DrawLinkValue(), DrawLinkValue() };
    BuildLinkRequest(request.data(), values);
    const SScrambleParams requestSession = ReadSessionParams(request.data());
    session = requestSession;

    PacketBuffer reply {};
    if (!manager.SendAndReceive(request.data(), reply.data(), kLinkExchangeAttempts, kLinkExchangeTimeoutMs))
        return false;
    ScrambleBytes(reply.data(), reply.size(), requestSession, kScrambleCount);
    session = ReadSessionParams(reply.data());
    return true;
}

} // namespace vy
