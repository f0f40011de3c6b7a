#pragma once

#include "base/ThreadObject.h"

#include <atomic>

namespace vy {

class CVYAudioProtocol;

// How often the card is asked whether it is still there, and how hard.
struct SHeartbeatTiming {
    int periodMs = 3000;
    int attempts = 5;
    int timeoutMs = 3000;
};

// The heartbeat: while a device is open, take-control (0x90) every period
// with up to `attempts` tries of `timeoutMs`. A heartbeat of which every try
// failed is a lost device: logged, reported to the main window as
// WMU_APP_NOTIFY with wParam 2, and the thread ends. It waits on its stop
// event, so Stop ends it at once between heartbeats and between tries.
class CConnectWorkThread : public CThreadObject {
public:
    explicit CConnectWorkThread(CVYAudioProtocol& owner);
    ~CConnectWorkThread() override;

    // False when already running or the thread cannot be created.
    bool Start();
    void Stop();
    // A loss was reported since the last Start.
    bool LossReported() const { return m_lossReported.load(); }

protected:
    int Run() override;

private:
    static constexpr int kStopTimeoutMs = 2000;

    // One heartbeat; false when every try failed (and no stop was asked).
    bool Beat(const SHeartbeatTiming& timing);

    CVYAudioProtocol& m_owner;
    std::atomic<int> m_run { 0 };
    std::atomic<bool> m_lossReported { false };
};

} // namespace vy
