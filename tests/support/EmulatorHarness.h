#pragma once

#include "device/CallbackProtocol.h"
#include "device/DeviceManager.h"
#include "device/Packet.h"
#include "emu/EmuServer.h"
#include "tests/support/TempDir.h"

#include <condition_variable>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

namespace vy::test {

// An emulated card served in-process on a socket in a temporary folder, and
// a device manager connected to it through the real socket transport.
//
//   CEmulatorHarness h;             // emulator serving, manager not open
//   ASSERT_TRUE(h.Connect());       // frame-only protocol recording reports
//   h.Manager().SendAndReceive(...);
//
// Later protocols pass themselves to Connect(protocol).
class CEmulatorHarness {
public:
    explicit CEmulatorHarness(const emu::SEmuConfig& config = {});
    ~CEmulatorHarness();
    CEmulatorHarness(const CEmulatorHarness&) = delete;
    CEmulatorHarness& operator=(const CEmulatorHarness&) = delete;

    emu::CEmuServer& Emulator() { return *m_emulator; }
    CDeviceManager& Manager() { return *m_manager; }
    // The harness's own protocol, used when Connect gets none.
    CCallbackProtocol& Protocol() { return m_protocol; }
    const std::string& SocketPath() const { return m_socketPath; }
    // The emulator as enumeration names it: "emu:<socket>#VID_....&PID_....".
    std::string DevicePath() const;
    const CTempDir& Dir() const { return m_dir; }

    // Opens the manager on a new socket transport to the emulator.
    bool Connect(ICommProtocol* protocol = nullptr);
    void Disconnect() { m_manager->Close(); }

    // Unsolicited packets the harness's protocol received (64 bytes each).
    std::vector<PacketBuffer> Unsolicited() const;
    bool WaitForUnsolicited(size_t count, int timeoutMs);

    // A zero-filled request with `code`, ready for SendAndReceive.
    static PacketBuffer Request(uint8_t code);

private:
    CTempDir m_dir;
    std::string m_socketPath;
    std::unique_ptr<emu::CEmuServer> m_emulator;
    mutable std::mutex m_mutex;
    std::condition_variable m_received;
    std::vector<PacketBuffer> m_unsolicited;
    CCallbackProtocol m_protocol;
    std::unique_ptr<CDeviceManager> m_manager;
};

} // namespace vy::test
