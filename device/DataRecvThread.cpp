#include "device/DataRecvThread.h"

#include "base/Log.h"
#include "device/CommDeviceMgmt.h"

#include <chrono>
#include <thread>

namespace vy {

CDataRecvThread::CDataRecvThread()
    : CThreadObject("CDataRecvThread")
{
}

CDataRecvThread::~CDataRecvThread()
{
    Stop();
}

bool CDataRecvThread::Start(ICommDeviceMgmt* manager)
{
    if (!manager || IsRunning())
        return false;
    m_manager = manager;
    m_wakeEvent.Reset();
    m_run = 1;
    if (!CThreadObject::Start()) {
        m_run = 0;
        return false;
    }
    return true;
}

void CDataRecvThread::Stop()
{
    // Also joins a thread whose Run has already ended.
    m_run = 0;
    m_wakeEvent.Set();
    CThreadObject::Stop(kStopTimeoutMs);
}

void CDataRecvThread::OnConnectDevice()
{
    if (!m_idleEvent.Wait(kIdleTimeoutMs)) {
        VY_LOG("**************check: RecvThreadProc not return");
        ICommDeviceMgmt* manager = m_manager.load();
        Stop();
        std::this_thread::sleep_for(std::chrono::milliseconds(kRestartPauseMs));
        Start(manager);
        std::this_thread::sleep_for(std::chrono::milliseconds(kRestartPauseMs));
    }
    m_wakeEvent.Set();
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
}

int CDataRecvThread::Run()
{
    while (m_run) {
        m_wakeEvent.Wait();
        if (!m_run)
            break;
        if (ICommDeviceMgmt* manager = m_manager.load()) {
            m_idleEvent.Reset();
            manager->RecvThreadProc();
            m_idleEvent.Set();
        }
    }
    return 0;
}

} // namespace vy
