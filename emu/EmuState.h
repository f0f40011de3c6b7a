#pragma once

#include "device/ZanEasyEncrypt.h"

#include <array>
#include <cstdint>

namespace vy::emu {

// What the emulated card remembers. Command handlers read and change it
// under the emulator's lock; tests inspect it the same way.
struct SEmuState {
    // The session's scrambling parameters from the last link exchange, used
    // by the card for later transfers.
    SScrambleParams session;
    uint64_t linkExchanges = 0;
    // A host has taken control (0x90 with 1) and not released it.
    bool controlled = false;

    uint64_t requests = 0;
    std::array<uint64_t, 256> requestsByCode{};
    // Requests whose check byte was wrong; they are answered as rejected.
    uint64_t badCheckBytes = 0;
    uint64_t connectionsAccepted = 0;
};

}  // namespace vy::emu
