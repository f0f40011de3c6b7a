#pragma once

#include "device/Protocol.h"

#include <functional>

namespace vy {

// A frame-only protocol that hands unsolicited reports to a callback: what
// tools and tests use when they speak to the card without the command set.
class CCallbackProtocol : public CProtocol {
public:
    // Called on the receive thread with the packet (at least 64 readable bytes).
    using Receiver = std::function<void(const uint8_t* packet)>;

    explicit CCallbackProtocol(Receiver receiver = {}, int packetLength = kDefaultPacketLength);

    int OnRecvData(const uint8_t* packet) override;
    void Attach(ICommDeviceMgmt* manager) override { m_manager = manager; }
    void Detach() override { m_manager = nullptr; }

    ICommDeviceMgmt* Manager() const { return m_manager.load(); }

private:
    Receiver m_receiver;
    std::atomic<ICommDeviceMgmt*> m_manager { nullptr };
};

} // namespace vy
