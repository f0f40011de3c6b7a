#pragma once

#include "device/ZanEasyEncrypt.h"
#include "model/DeviceModel.h"

#include <array>
#include <cstdint>
#include <map>
#include <vector>

namespace vy::emu {

// The card holds 64 parameters (numbers 0 to 63).
constexpr int kEmuParamCount = 64;

// One stored parameter: the high and low byte as the host wrote them (the
// high byte keeps the value-width tag in its top three bits).
struct SEmuParam {
    bool present = false;
    uint8_t high = 0;
    uint8_t low = 0;

    // The 13-bit value.
    int32_t Value() const { return (high & 0x1F) << 8 | low; }
};
using SEmuParamStore = std::array<SEmuParam, kEmuParamCount>;

// One packet of a parameter write series (0x94 or 0x96) as received.
struct SEmuParamPacket {
    uint8_t code = 0;
    uint16_t index = 0;
    std::vector<std::array<uint8_t, 3>> items;
    bool last = false;
};

// An effect file as the card reassembled it. Two-list files keep their 8-byte
// records as sent; three-list files hold list B back in the file's byte
// order, list A as it travels (bytes 2 and 3 cleared), list C in 24-byte items.
struct SEmuEffectFile {
    PacketVariant variant = PacketVariant::kTwoList;
    uint16_t number = 0;
    // Every block header, unscrambled.
    std::vector<std::array<uint8_t, 64>> headers;
    std::vector<std::array<uint8_t, 8>> listA;
    std::vector<std::array<uint8_t, 8>> listB;
    std::vector<std::array<uint8_t, 24>> listC;
    // Every data packet of every block arrived after the last block's header.
    bool complete = false;
    // Data packets that fit no block (bad counter, no header).
    uint64_t strayPackets = 0;

    // The block being received.
    size_t blockStartA = 0, blockStartB = 0;
    uint32_t blockPacketsA = 0, blockPacketsB = 0, blockPacketsC = 0;
    std::vector<bool> receivedA, receivedB, receivedC;
    bool lastBlock = false;
};

// A sound as the card received it in one of its slots.
struct SEmuSound {
    uint32_t length = 0; // bytes announced by the header
    uint32_t packets = 0; // data packets announced
    std::vector<uint8_t> data; // packets * chunk bytes, trimmed to length when complete
    std::vector<bool> received;
    uint32_t receivedCount = 0;
    bool complete = false;
};

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
    std::array<uint64_t, 256> requestsByCode {};
    // Request codes in arrival order (the first kMaxLoggedCodes).
    std::vector<uint8_t> requestLog;
    static constexpr size_t kMaxLoggedCodes = 100000;
    // Requests whose check byte was wrong; they are answered as rejected.
    uint64_t badCheckBytes = 0;
    uint64_t connectionsAccepted = 0;

    // Device information (0x92): versions as bytes (23 reads V2.3) and type.
    uint8_t hardwareVersion = 10;
    uint8_t firmwareVersion = 12;
    uint8_t deviceType = 1;

    // Current parameter values (0x94 writes, 0x9C reads, knob turns).
    SEmuParamStore params {};
    // Every packet of the 0x94 and 0x96 series received, in order.
    std::vector<SEmuParamPacket> paramPackets;

    // The parameter whose value names the active effect; a 0x96 series is
    // stored into custom slot value >> 4 (from 1).
    int effectNumberParam = 0;
    // Device custom slots 1 .. size (0x96 writes, 0x98 reads).
    std::vector<SEmuParamStore> customSlots = std::vector<SEmuParamStore>(4);
    // Items of a 0x96 series still waiting for its last packet.
    std::vector<std::array<uint8_t, 3>> customSeries;
    // 0x96 series whose effect number named no slot.
    uint64_t unassignedCustomWrites = 0;

    // Effect files: the layout the card expects, the file being received and
    // the last one completed.
    PacketVariant effectFileVariant = PacketVariant::kTwoList;
    SEmuEffectFile effectFile;
    SEmuEffectFile lastEffectFile;
    uint64_t effectFilesCompleted = 0;

    // Sound slots: a header announcing more bytes than this is refused.
    uint32_t soundMaxLength = 0xFFFFFF;
    std::map<int, SEmuSound> sounds;
    int soundSlot = -1; // the slot of the transfer under way
    uint64_t soundsRefused = 0;
};

} // namespace vy::emu
