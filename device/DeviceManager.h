#pragma once

#include "base/Lock.h"
#include "base/SyncEvent.h"
#include "device/CommDeviceMgmt.h"

#include <atomic>
#include <memory>

namespace vy {

class CDataRecvThread;

// The single channel to the card: sends requests, matches replies by code on
// the receive thread, and hands every other packet to the protocol.
//
// Open, Close and the destructor must not be called from the protocol's
// OnRecvData (the receive thread), which they wait for.
class CDeviceManager : public ICommDeviceMgmt {
public:
    CDeviceManager();
    ~CDeviceManager() override;
    CDeviceManager(const CDeviceManager&) = delete;
    CDeviceManager& operator=(const CDeviceManager&) = delete;

    bool IsOpen() override;
    bool Open(ICommunicateDevice* device, ICommProtocol* protocol) override;
    void Close() override;
    bool SendAndReceive(uint8_t* request, uint8_t* reply, int attempts, int timeoutMs) override;
    bool SendNotReceive(uint8_t* request) override;
    void RecvThreadProc() override;
    ICommunicateDevice* GetDevice() override { return m_device.load(); }

private:
    static constexpr int kCloseWaitMs = 3000;
    static constexpr int kReadFailurePauseMs = 200;
    static constexpr int kSendNotReceiveAttempts = 5;

    void Dispatch(const uint8_t* packet);
    void ClearAwaited();
    // Writes through the attached transport if it is still `expected`.
    bool WriteIfAttached(ICommunicateDevice* expected, const uint8_t* data, int length, bool& detached);

    std::unique_ptr<CDataRecvThread> m_recvThread;
    std::atomic<ICommunicateDevice*> m_device { nullptr };
    std::atomic<ICommProtocol*> m_protocol { nullptr };

    uint8_t m_awaitedCode = 0;
    CSyncEvent* m_awaitedEvent = nullptr;
    uint8_t* m_awaitedBuffer = nullptr;
    zan_util::CLock m_expectLock;
    zan_util::CLock m_sendLock;
    // Held while writing and while the transport is detached and destroyed,
    // so that a sender never writes through a transport Close has freed.
    zan_util::CLock m_deviceLock;

    CSyncEvent m_recvStoppedEvent { true, false };
    CSyncEvent m_replyEvent { false, false };
    std::atomic<int> m_receiving { 0 };
    // The receive loop was started for the attached transport.
    bool m_loopStarted = false;
};

} // namespace vy
