#pragma once

#include "base/SyncEvent.h"
#include "base/ThreadObject.h"

#include <atomic>

namespace vy {

class ICommDeviceMgmt;

// The receive thread: idles until a device is opened, then runs the manager's
// receive loop until it returns, and idles again.
class CDataRecvThread : public CThreadObject {
public:
    CDataRecvThread();
    ~CDataRecvThread() override;

    bool Start(ICommDeviceMgmt* manager);
    void Stop();
    // Makes the thread enter the manager's receive loop. A loop that has not
    // returned from an earlier device within 10 s gets the thread restarted.
    void OnConnectDevice();

protected:
    int Run() override;

private:
    static constexpr int kStopTimeoutMs = 2000;
    static constexpr int kIdleTimeoutMs = 10000;
    static constexpr int kRestartPauseMs = 400;

    std::atomic<int> m_run { 0 };
    CSyncEvent m_wakeEvent { false, false };
    CSyncEvent m_idleEvent { false, true };
    std::atomic<ICommDeviceMgmt*> m_manager { nullptr };
};

} // namespace vy
