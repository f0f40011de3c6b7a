#include "device/DeviceManager.h"

#include "base/Log.h"
#include "device/CommProtocol.h"
#include "device/CommunicateDevice.h"
#include "device/DataRecvThread.h"
#include "device/Packet.h"

#include <chrono>
#include <cstring>
#include <thread>

namespace vy {

CDeviceManager::CDeviceManager()
    : m_recvThread(std::make_unique<CDataRecvThread>())
{
    if (!m_recvThread->Start(this))
        VY_LOG("cannot start the receive thread");
}

CDeviceManager::~CDeviceManager()
{
    // An open device keeps the receive loop inside a read: end that first,
    // or the thread could not stop.
    if (m_device.load())
        Close();
    m_recvThread->Stop();
    m_recvThread.reset();
}

bool CDeviceManager::IsOpen()
{
    zan_util::CAutoLock guard(m_deviceLock);
    ICommunicateDevice* device = m_device.load();
    return device && device->IsOpen();
}

bool CDeviceManager::Open(ICommunicateDevice* device, ICommProtocol* protocol)
{
    if (!device)
        return false;
    if (!protocol) {
        delete device;
        return false;
    }
    if (m_device.load())
        Close();
    {
        zan_util::CAutoLock guard(m_deviceLock);
        m_device = device;
        m_protocol = protocol;
    }
    if (!device->IsOpen() && !device->OpenDevice())
        return false;

    const int outputLength = device->GetOutputLength();
    if (outputLength < 1 || outputLength > kPacketBufferSize) {
        // Packets are built and received in 64-byte buffers; a longer report
        // would have the check byte written and read past their end.
        VY_LOG("device output report of %d bytes does not fit the %d-byte packet buffers", outputLength,
            kPacketBufferSize);
        zan_util::CAutoLock guard(m_deviceLock);
        device->CloseDevice();
        return false;
    }
    if (protocol->GetPacketLength() != outputLength)
        protocol->SetPacketLength(outputLength);

    m_recvStoppedEvent.Reset();
    m_receiving = 1;
    m_loopStarted = true;
    m_recvThread->OnConnectDevice();
    protocol->Attach(this);
    return true;
}

void CDeviceManager::Close()
{
    m_recvStoppedEvent.Reset();
    m_receiving = 0;
    ICommunicateDevice* device = m_device.load();
    if (device)
        device->CancelRead();
    if (m_loopStarted) {
        if (!m_recvStoppedEvent.Wait(kCloseWaitMs)) {
            // The transport may still be in use by the loop: never free it
            // under the loop's feet. Keep cancelling until the loop is out.
            VY_LOG("receive loop did not stop within %d ms; waiting for it", kCloseWaitMs);
            while (!m_recvStoppedEvent.Wait(100)) {
                if (device)
                    device->CancelRead();
            }
        }
        m_loopStarted = false;
    }
    ICommProtocol* protocol = nullptr;
    {
        zan_util::CAutoLock guard(m_deviceLock);
        device = m_device.exchange(nullptr);
        protocol = m_protocol.exchange(nullptr);
        if (device) {
            device->CloseDevice();
            delete device;
        }
    }
    if (protocol)
        protocol->Detach();
}

bool CDeviceManager::WriteIfAttached(ICommunicateDevice* expected, const uint8_t* data, int length, bool& detached)
{
    zan_util::CAutoLock guard(m_deviceLock);
    if (m_device.load() != expected) {
        detached = true;
        return false;
    }
    detached = false;
    return expected->Write(data, length);
}

void CDeviceManager::ClearAwaited()
{
    zan_util::CAutoLock guard(m_expectLock);
    m_awaitedCode = 0;
    m_awaitedBuffer = nullptr;
    m_awaitedEvent = nullptr;
}

bool CDeviceManager::SendAndReceive(uint8_t* request, uint8_t* reply, int attempts, int timeoutMs)
{
    ICommProtocol* protocol = m_protocol.load();
    ICommunicateDevice* device = m_device.load();
    if (!protocol || !device || !request || !reply)
        return false;

    zan_util::CAutoLock sendGuard(m_sendLock);
    protocol->Encrypt(request);
    protocol->AddCrc(request);

    std::memset(reply, 0, kPacketBufferSize);
    m_replyEvent.Reset();
    const uint8_t code = request[kPacketCode];
    const uint8_t awaited = static_cast<uint8_t>(code + 1);
    {
        zan_util::CAutoLock guard(m_expectLock);
        m_awaitedCode = awaited;
        m_awaitedBuffer = reply;
        m_awaitedEvent = &m_replyEvent;
    }

    for (int attempt = 0; attempt < attempts; ++attempt) {
        bool detached = false;
        if (!WriteIfAttached(device, request, protocol->GetPacketLength(), detached)) {
            if (detached)
                break;
            VY_LOG("Send failed. cmd=0x%02x", code);
            continue;
        }
        if (m_replyEvent.Wait(timeoutMs)) {
            bool accepted = false;
            {
                // Checked under the lock, so a second reply arriving now
                // cannot be copied into the buffer while it is read.
                zan_util::CAutoLock guard(m_expectLock);
                accepted = protocol->CheckReply(reply, awaited);
                if (accepted) {
                    m_awaitedCode = 0;
                    m_awaitedBuffer = nullptr;
                    m_awaitedEvent = nullptr;
                }
            }
            if (accepted) {
                protocol->Decrypt(reply);
                return true;
            }
        }
        VY_LOG("WaitTimeout. cmd=0x%02x", code);
    }
    ClearAwaited();
    return false;
}

bool CDeviceManager::SendNotReceive(uint8_t* request)
{
    ICommProtocol* protocol = m_protocol.load();
    if (!protocol || !request)
        return false;
    protocol->Encrypt(request);
    protocol->AddCrc(request);
    for (int attempt = 0; attempt < kSendNotReceiveAttempts; ++attempt) {
        ICommunicateDevice* device = m_device.load();
        if (!device)
            break;
        bool detached = false;
        if (WriteIfAttached(device, request, protocol->GetPacketLength(), detached))
            return true;
        if (detached)
            continue; // the next attempt sees whether a transport is attached
        VY_LOG("send failed. cmd=0x%02x", request[kPacketCode]);
    }
    return false;
}

void CDeviceManager::RecvThreadProc()
{
    while (m_receiving) {
        ICommunicateDevice* device = m_device.load();
        const uint8_t* packet = nullptr;
        const bool ok = device && device->Read(&packet, ICommunicateDevice::kNoTimeout);
        if (!m_receiving)
            break;
        if (ok && packet) {
            Dispatch(packet);
            continue;
        }
        VY_LOG(" CDeviceManager::RecvThreadProc() -- read return %d", ok ? 1 : 0);
        // Pause before the next read, but notice a Close at once.
        for (int waited = 0; waited < kReadFailurePauseMs && m_receiving; waited += 10)
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    m_recvStoppedEvent.Set();
}

void CDeviceManager::Dispatch(const uint8_t* packet)
{
    bool matched = false;
    {
        zan_util::CAutoLock guard(m_expectLock);
        if (m_awaitedCode != 0 && m_awaitedCode == packet[kPacketCode] && m_awaitedBuffer) {
            std::memcpy(m_awaitedBuffer, packet, kPacketBufferSize);
            if (m_awaitedEvent)
                m_awaitedEvent->Set();
            matched = true;
        }
    }
    if (!matched) {
        if (ICommProtocol* protocol = m_protocol.load())
            protocol->OnRecvData(packet);
    }
}

} // namespace vy
