#include "base/ThreadObject.h"

#include "base/Log.h"

#include <pthread.h>

namespace vy {

CThreadObject::CThreadObject(const char* threadName) : m_name(threadName ? threadName : "") {}

CThreadObject::~CThreadObject()
{
    if (IsRunning())
        VY_LOG("thread %s still running at destruction", m_name.c_str());
    Stop(1000);
}

void CThreadObject::Body()
{
    if (!m_name.empty())
        pthread_setname_np(pthread_self(), m_name.substr(0, 15).c_str());
    m_stopEvent.Reset();
    m_startedEvent.Set();
    Run();
    m_startedEvent.Reset();
    m_finishedEvent.Set();
}

bool CThreadObject::Start()
{
    if (IsRunning())
        return false;
    if (m_thread.joinable())
        m_thread.join();  // an earlier run that ended by itself
    m_finishedEvent.Reset();
    try {
        m_thread = std::thread(&CThreadObject::Body, this);
    } catch (const std::system_error& error) {
        VY_LOG("cannot start thread %s: %s", m_name.c_str(), error.what());
        return false;
    }
    // The body sets the started event first thing, or has already finished.
    while (!m_startedEvent.Wait(10)) {
        if (m_finishedEvent.IsSet())
            break;
    }
    return true;
}

bool CThreadObject::Stop(int timeoutMs)
{
    if (!m_thread.joinable())
        return true;
    m_stopEvent.Set();
    if (m_thread.get_id() == std::this_thread::get_id()) {
        // Stopping from inside Run: the stop event is all that can be done.
        return true;
    }
    if (!m_finishedEvent.Wait(timeoutMs))
        VY_LOG("thread %s did not end within %d ms; waiting for it", m_name.c_str(), timeoutMs);
    m_thread.join();
    m_startedEvent.Reset();
    return true;
}

bool CThreadObject::IsRunning() const
{
    return m_startedEvent.IsSet();
}

bool CThreadObject::IsStopRequested() const
{
    return m_stopEvent.IsSet();
}

}  // namespace vy
