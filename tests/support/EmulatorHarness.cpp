#include "tests/support/EmulatorHarness.h"

#include "device/hid/DevicePath.h"
#include "device/hid/SocketTransport.h"

#include <chrono>
#include <cstring>
#include <stdexcept>

namespace vy::test {

CEmulatorHarness::CEmulatorHarness(const emu::SEmuConfig& config)
    : m_socketPath(m_dir.File("px40.sock"))
    , m_emulator(std::make_unique<emu::CEmuServer>(config))
    , m_protocol([this](const uint8_t* packet) {
        PacketBuffer copy;
        std::memcpy(copy.data(), packet, copy.size());
        {
            std::lock_guard<std::mutex> guard(m_mutex);
            m_unsolicited.push_back(copy);
        }
        m_received.notify_all();
    })
    , m_manager(std::make_unique<CDeviceManager>())
{
    if (!m_emulator->Start(m_socketPath))
        throw std::runtime_error("emulator did not start on " + m_socketPath);
}

CEmulatorHarness::~CEmulatorHarness()
{
    // The manager goes first: its receive thread calls into the protocol.
    m_manager.reset();
    m_emulator->Stop();
}

std::string CEmulatorHarness::DevicePath() const
{
    return EmuDevicePath(m_socketPath, m_emulator->Config().vendorId, m_emulator->Config().productId);
}

bool CEmulatorHarness::Connect(ICommProtocol* protocol)
{
    return m_manager->Open(new CSocketTransport(DevicePath()), protocol ? protocol : &m_protocol);
}

std::vector<PacketBuffer> CEmulatorHarness::Unsolicited() const
{
    std::lock_guard<std::mutex> guard(m_mutex);
    return m_unsolicited;
}

bool CEmulatorHarness::WaitForUnsolicited(size_t count, int timeoutMs)
{
    std::unique_lock<std::mutex> lock(m_mutex);
    return m_received.wait_for(
        lock, std::chrono::milliseconds(timeoutMs), [&] { return m_unsolicited.size() >= count; });
}

PacketBuffer CEmulatorHarness::Request(uint8_t code)
{
    PacketBuffer request {};
    request[kPacketCode] = code;
    return request;
}

} // namespace vy::test
