#include "protocol/ConnectWorkThread.h"

#include "base/Log.h"
#include "base/MessageTarget.h"
#include "device/CommDeviceMgmt.h"
#include "protocol/VYAudioProtocol.h"

namespace vy {

// The code of WMU_APP_NOTIFY that says the heartbeat was lost.
constexpr uintptr_t kNotifyHeartbeatLost = 2;

CConnectWorkThread::CConnectWorkThread(CVYAudioProtocol& owner)
    : CThreadObject("CConnectWorkThread")
    , m_owner(owner)
{
}

CConnectWorkThread::~CConnectWorkThread()
{
    Stop();
}

bool CConnectWorkThread::Start()
{
    if (IsRunning())
        return false;
    m_run = 1;
    m_lossReported = false;
    if (!CThreadObject::Start()) {
        m_run = 0;
        return false;
    }
    return true;
}

void CConnectWorkThread::Stop()
{
    m_run = 0;
    CThreadObject::Stop(kStopTimeoutMs);
}

bool CConnectWorkThread::Beat(const SHeartbeatTiming& timing)
{
    for (int attempt = 0; attempt < timing.attempts; ++attempt) {
        if (IsStopRequested() || !m_run)
            return true;
        if (m_owner.SendHeartbeat(timing.timeoutMs))
            return true;
    }
    return IsStopRequested() || !m_run;
}

int CConnectWorkThread::Run()
{
    bool lost = false;
    while (m_run && !IsStopRequested()) {
        const SHeartbeatTiming timing = m_owner.HeartbeatTiming();
        ICommDeviceMgmt* manager = m_owner.DeviceManager();
        if (manager && manager->IsOpen() && !Beat(timing)) {
            lost = true;
            break;
        }
        if (WaitForStop(timing.periodMs))
            break;
    }
    if (lost) {
        VY_LOG("Lost heartbeat: device disconnected");
        m_lossReported = true;
        m_owner.PostToMainWindow(WMU_APP_NOTIFY, kNotifyHeartbeatLost, 0);
    }
    return 0;
}

} // namespace vy
