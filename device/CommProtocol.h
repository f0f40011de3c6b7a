#pragma once

#include <cstdint>

namespace vy {

class ICommDeviceMgmt;

// What the device manager needs from a protocol: sealing and checking
// packets, and a receiver for every packet that is not an awaited reply.
class ICommProtocol {
public:
    virtual ~ICommProtocol() = default;

    virtual bool CheckReply(const uint8_t* reply, uint8_t expectedCode) = 0;
    // Writes the check byte at packet length - 1.
    virtual void AddCrc(uint8_t* packet) = 0;
    virtual void Encrypt(uint8_t* packet) = 0;
    virtual void Decrypt(uint8_t* packet) = 0;
    // Runs on the receive thread: must not send and wait from here, or the
    // reply could never be dispatched.
    virtual int OnRecvData(const uint8_t* packet) = 0;
    virtual void Attach(ICommDeviceMgmt* manager) = 0;
    virtual void Detach() = 0;
    virtual int GetPacketLength() = 0;
    virtual void SetPacketLength(int length) = 0;
};

} // namespace vy
