#pragma once

#include "device/Packet.h"
#include "device/ZanEasyEncrypt.h"

#include <cstdint>
#include <mutex>
#include <string>
#include <vector>

namespace vy {

class ICommDeviceMgmt;

// The packet-builder strategy of a device model: agrees the session's
// scrambling parameters with the card when it connects, and cuts converted
// sounds into transfer packets with them.
class CPackData {
public:
    CPackData() = default;
    virtual ~CPackData() = default;
    CPackData(const CPackData&) = delete;
    CPackData& operator=(const CPackData&) = delete;

    // Remembers the manager, lets the card settle, then runs the link
    // exchange. The result is the result of connecting.
    virtual bool OnConnectDevice(ICommDeviceMgmt* manager);
    virtual bool LoadFile(const std::string& path) = 0;
    virtual bool BuildPackets(uint16_t soundNumber, std::vector<PacketBuffer>& packets) = 0;

    // The parameters of the last exchange (all zero before the first).
    SScrambleParams SessionParams() const;
    ICommDeviceMgmt* Manager() const;

protected:
    static constexpr int kConnectSettleMs = 500;

private:
    mutable std::mutex m_mutex;
    SScrambleParams m_session;
    ICommDeviceMgmt* m_manager = nullptr;
};

} // namespace vy
