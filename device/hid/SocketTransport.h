#pragma once

#include "device/hid/HidBase.h"

#include <cstdint>
#include <string>

namespace vy {

// A device reached over a Unix SOCK_SEQPACKET socket (the emulator): every
// message is one whole report, as on hidraw. The peer's first message carries
// its vendor and product id and its report descriptor; the report lengths
// come from that descriptor. A peer that closes reads as 0 bytes: a failure.
class CSocketTransport : public CHidBase {
public:
    // `path` is a socket path or an emulator device path
    // ("emu:<socket path>#VID_vvvv&PID_pppp"); GetDevicePath returns it as given.
    explicit CSocketTransport(std::string path);

    // The ids the peer announced at the last successful open.
    uint16_t VendorId() const { return m_vendorId; }
    uint16_t ProductId() const { return m_productId; }

    // The socket path inside a device path.
    static std::string SocketPathOf(const std::string& devicePath);
    // Connects to `socketPath`, reads the peer's first message and hangs up.
    static bool QueryIds(
        const std::string& socketPath, uint16_t& vendorId, uint16_t& productId, int timeoutMs = kHelloTimeoutMs);

protected:
    bool OpenHandles(SHandles& handles) override;

private:
    static constexpr int kHelloTimeoutMs = 2000;

    std::string m_socketPath;
    uint16_t m_vendorId = 0;
    uint16_t m_productId = 0;
};

} // namespace vy
