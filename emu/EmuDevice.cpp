#include "emu/EmuDevice.h"

#include "device/LinkExchange.h"
#include "emu/EmuCommandSet.h"

#include <algorithm>

namespace vy::emu {
namespace {

constexpr uint8_t kControlCode = 0x90;

// The card's side of the link exchange: it reads the host's parameters from
// the request, draws the session's new ones, and returns them scrambled with
// the host's, so that both sides end with the same.
void HandleLinkExchange(SEmuExchange& exchange, SEmuState& state, std::mt19937& random)
{
    const SScrambleParams hostParams = ReadSessionParams(exchange.request);
    std::uniform_int_distribution<int> byte(0, 255);
    for (int i = kScrambleOffset; i < kScrambleOffset + kScrambleCount; ++i)
        exchange.reply[static_cast<size_t>(i)] = static_cast<uint8_t>(byte(random));
    SScrambleParams next;
    next.seed = static_cast<uint16_t>(byte(random) | byte(random) << 8);
    next.modulus = static_cast<uint8_t>(byte(random));
    next.multiplier = static_cast<uint16_t>(byte(random) | byte(random) << 8);
    next.increment = static_cast<uint8_t>(byte(random));
    WriteSessionParams(exchange.reply.data(), next);
    ScrambleBytes(exchange.reply.data(), exchange.reply.size(), hostParams, kScrambleCount);
    state.session = next;
    ++state.linkExchanges;
}

void HandleControl(SEmuExchange& exchange, SEmuState& state, std::mt19937&)
{
    state.controlled = exchange.request[kPacketPayload] == 1;
}

} // namespace

CEmuDevice::CEmuDevice(const SEmuConfig& config)
    : m_config(config)
    , m_random(config.seed ^ 0x9E3779B9u)
{
    m_config.inputReportLength = std::clamp(m_config.inputReportLength, 1, 256);
    m_config.outputReportLength = std::clamp(m_config.outputReportLength, 1, 256);
    // A card with the PX40's ids takes the PX40's effect files.
    m_state.effectFileVariant = m_config.vendorId == kPx40VendorId && m_config.productId == kPx40ProductId
        ? PacketVariant::kTwoList
        : PacketVariant::kThreeList;
    InstallBuiltins();
}

void CEmuDevice::InstallBuiltins()
{
    m_handlers[kLinkExchangeCode] = HandleLinkExchange;
    m_handlers[kControlCode] = HandleControl;
    InstallCommandSet(*this);
}

void CEmuDevice::SetHandler(uint8_t code, Handler handler)
{
    m_handlers[code] = std::move(handler);
}

void CEmuDevice::Seal(uint8_t* packet) const
{
    const int length = PacketLength();
    if (length >= 1)
        packet[length - 1] = CheckByte(packet, static_cast<size_t>(length - 1));
}

bool CEmuDevice::CheckRequest(const uint8_t* packet) const
{
    const int length = PacketLength();
    return length >= 1 && packet[length - 1] == CheckByte(packet, static_cast<size_t>(length - 1));
}

void CEmuDevice::Process(SEmuExchange& exchange)
{
    const uint8_t code = exchange.request[kPacketCode];
    ++m_state.requests;
    ++m_state.requestsByCode[code];
    if (m_state.requestLog.size() < SEmuState::kMaxLoggedCodes)
        m_state.requestLog.push_back(code);
    exchange.replyLength = ReplyLength();
    exchange.reply.fill(0);
    exchange.reply[kPacketCode] = static_cast<uint8_t>(code + 1);
    exchange.reply[kPacketStatus] = kStatusAccepted;
    if (!CheckRequest(exchange.request)) {
        ++m_state.badCheckBytes;
        exchange.reply[kPacketStatus] = 0x00;
        return;
    }
    if (const Handler& handler = m_handlers[code])
        handler(exchange, m_state, m_random);
}

} // namespace vy::emu
