#pragma once

#include "device/Packet.h"
#include "emu/EmuConfig.h"
#include "emu/EmuState.h"

#include <array>
#include <cstdint>
#include <functional>
#include <random>
#include <vector>

namespace vy::emu {

// One request and what the card does about it. A handler sees the request
// packet and a reply prepared as the card acknowledges by default (code + 1,
// status 0xFF, the rest zero); it may change the reply, withhold it, or add
// reports to send after it. The emulator seals every packet it sends.
struct SEmuExchange {
    const uint8_t* request = nullptr;
    int requestLength = 0; // the packet length L of the host
    int replyLength = 0; // the card's reply and report length
    std::array<uint8_t, 256> reply {};
    bool sendReply = true;
    std::vector<std::vector<uint8_t>> followUps;
};

// The card's behaviour without any transport: a table of command handlers
// by request code over a state object.
class CEmuDevice {
public:
    using Handler = std::function<void(SEmuExchange& exchange, SEmuState& state, std::mt19937& random)>;

    explicit CEmuDevice(const SEmuConfig& config);

    // Replaces the handler of `code` (an empty handler restores the default
    // acknowledgement).
    void SetHandler(uint8_t code, Handler handler);
    bool HasHandler(uint8_t code) const { return static_cast<bool>(m_handlers[code]); }

    // Handles one request packet of the host's packet length.
    void Process(SEmuExchange& exchange);

    // The host's packet length: output report length without the report id.
    int PacketLength() const { return m_config.outputReportLength - 1; }
    // Reply and report packets: input report length without the report id.
    int ReplyLength() const { return m_config.inputReportLength - 1; }
    // Writes the check byte at packet length - 1.
    void Seal(uint8_t* packet) const;
    bool CheckRequest(const uint8_t* packet) const;

    SEmuState& State() { return m_state; }
    const SEmuConfig& Config() const { return m_config; }
    std::mt19937& Random() { return m_random; }

private:
    void InstallBuiltins();

    SEmuConfig m_config;
    SEmuState m_state;
    std::array<Handler, 256> m_handlers;
    std::mt19937 m_random;
};

} // namespace vy::emu
