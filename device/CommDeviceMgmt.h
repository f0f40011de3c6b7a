#pragma once

#include <cstdint>

namespace vy {

class ICommunicateDevice;
class ICommProtocol;

// The device manager as the protocol, the heartbeat and the transfers see it:
// one request/reply channel to the device.
class ICommDeviceMgmt {
public:
    virtual ~ICommDeviceMgmt() = default;

    // A transport is attached and open.
    virtual bool IsOpen() = 0;
    // Takes over `device` (also on failure); `protocol` stays the caller's.
    virtual bool Open(ICommunicateDevice* device, ICommProtocol* protocol) = 0;
    virtual void Close() = 0;
    // Seals `request` in place, sends it up to `attempts` times and waits up to
    // `timeoutMs` each time for the reply with code request[0] + 1, which is
    // copied into the 64-byte `reply`.
    virtual bool SendAndReceive(uint8_t* request, uint8_t* reply, int attempts, int timeoutMs) = 0;
    // Seals and sends `request` without waiting for anything.
    virtual bool SendNotReceive(uint8_t* request) = 0;
    // The receive loop; runs on the receive thread only.
    virtual void RecvThreadProc() = 0;
    virtual ICommunicateDevice* GetDevice() = 0;
};

} // namespace vy
