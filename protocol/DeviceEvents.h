#pragma once

#include "base/EventIds.h"
#include "base/NotifyCenter.h"
#include "device/Packet.h"

#include <cstring>

// Events raised by the card's protocol and session. A report event carries a
// copy of the first 64 packet bytes; the session events carry nothing.
namespace vy {

class CPacketEvent : public CEventBase {
public:
    CPacketEvent(uint32_t id, std::string name, const uint8_t* packet)
        : CEventBase(id, std::move(name))
    {
        std::memcpy(m_packet.data(), packet, m_packet.size());
    }
    const PacketBuffer& Packet() const { return m_packet; }

private:
    PacketBuffer m_packet {};
};

// A parameter report (0x9E) or a custom-effects-changed report (0x9A).
class EventRecvData : public CPacketEvent {
public:
    explicit EventRecvData(const uint8_t* packet)
        : CPacketEvent(events::kRecvData, "on_recv_data", packet)
    {
    }
};

// Level meters (0x1F): one level byte per meter from byte 4 on.
class EventVolumeRecvData : public CPacketEvent {
public:
    explicit EventVolumeRecvData(const uint8_t* packet)
        : CPacketEvent(events::kVolumeRecvData, "on_event_eventvolumerecvdata", packet)
    {
    }
};

class EventDeviceChanged : public CEventBase {
public:
    EventDeviceChanged()
        : CEventBase(events::kDeviceChanged, "on_device_changed")
    {
    }
};

class EventAnotherDevice : public CEventBase {
public:
    EventAnotherDevice()
        : CEventBase(events::kAnotherDevice, "on_another_device")
    {
    }
};

} // namespace vy
