#pragma once

#include <cstdint>

// The card's commands (request codes; a reply carries code + 1), its
// unsolicited reports, and how often and how long each request is tried.
namespace vy::cmd {

constexpr uint8_t kLinkExchange = 0x0E;
constexpr uint8_t kControl = 0x90;
constexpr uint8_t kDeviceInfo = 0x92;
constexpr uint8_t kWriteParams = 0x94;
constexpr uint8_t kWriteCustomParams = 0x96;
constexpr uint8_t kReadCustomEffect = 0x98;
constexpr uint8_t kReadParams = 0x9C;
constexpr uint8_t kSoundHeader = 0xB0;
constexpr uint8_t kSoundData = 0xB2;
constexpr uint8_t kEffectFileHeader = 0x02;
constexpr uint8_t kEffectFileListB = 0x04;
constexpr uint8_t kEffectFileListA = 0x06;
constexpr uint8_t kEffectFileListC = 0x16;

// Reports the card sends on its own.
constexpr uint8_t kLevelReport = 0x1F;
constexpr uint8_t kCustomEffectsChanged = 0x9A;
constexpr uint8_t kParamReport = 0x9E;

struct SRetry {
    int attempts;
    int timeoutMs;
};

constexpr SRetry kControlRetry { 3, 3000 }; // take control and release
constexpr SRetry kHeartbeatRetry { 5, 3000 }; // keep-alive
constexpr SRetry kDeviceInfoRetry { 3, 300 };
constexpr SRetry kWriteParamsRetry { 3, 500 }; // per packet, 0x94 and 0x96
constexpr SRetry kReadCustomRetry { 3, 500 }; // per packet
constexpr SRetry kReadParamsRetry { 4, 500 }; // per packet
constexpr SRetry kSoundHeaderRetry { 3, 15000 };
constexpr SRetry kSoundDataRetry { 3, 1000 }; // per packet
constexpr SRetry kEffectFileRetry { 3, 500 }; // per packet, header and data

// A device custom effect series that takes longer than this is given up.
constexpr int kCustomEffectSeriesLimitMs = 4000;

// Take-control flag of command 0x90.
constexpr uint8_t kTakeControl = 1;
constexpr uint8_t kRelease = 0;

} // namespace vy::cmd
