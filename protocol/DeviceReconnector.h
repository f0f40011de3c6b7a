#pragma once

namespace vy {

// The application's way back to the card after a resume: enumerate the
// current model's devices and open the first with the protocol.
class IDeviceReconnector {
public:
    virtual ~IDeviceReconnector() = default;
    virtual bool ReconnectDevice() = 0;
};

} // namespace vy
