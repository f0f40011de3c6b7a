#pragma once

#include "base/SyncEvent.h"

#include <string>
#include <thread>

namespace vy {

// Base of every worker thread. Run() does the work and should return soon
// after IsStopRequested() turns true (or wait on StopEvent()). A derived class
// must call Stop() in its own destructor, before its members go away.
class CThreadObject {
public:
    explicit CThreadObject(const char* threadName);
    virtual ~CThreadObject();
    CThreadObject(const CThreadObject&) = delete;
    CThreadObject& operator=(const CThreadObject&) = delete;

    // Starts the thread and returns once it runs; false when already running.
    bool Start();
    // Asks the thread to stop and waits up to timeoutMs. A thread that has not
    // ended by then is logged and still joined: it is never left detached.
    bool Stop(int timeoutMs);
    bool IsRunning() const;
    bool IsStopRequested() const;

protected:
    virtual int Run() = 0;
    CSyncEvent& StopEvent() { return m_stopEvent; }
    // Waits up to timeoutMs for a stop request; true when stop was requested.
    bool WaitForStop(int timeoutMs) { return m_stopEvent.Wait(timeoutMs); }

private:
    void Body();

    std::string m_name;
    CSyncEvent m_startedEvent{true, false};
    CSyncEvent m_stopEvent{true, false};
    CSyncEvent m_finishedEvent{true, false};
    std::thread m_thread;
};

}  // namespace vy
