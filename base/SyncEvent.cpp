#include "base/SyncEvent.h"

#include <chrono>

namespace vy {

CSyncEvent::CSyncEvent(bool manualReset, bool initiallySet) : m_manualReset(manualReset), m_set(initiallySet) {}

void CSyncEvent::Set()
{
    // Notify under the lock: a waiter that wakes may destroy the event at
    // once, so the setter must be done with it before the waiter can return.
    std::lock_guard<std::mutex> guard(m_mutex);
    m_set = true;
    if (m_manualReset)
        m_changed.notify_all();
    else
        m_changed.notify_one();
}

void CSyncEvent::Reset()
{
    std::lock_guard<std::mutex> guard(m_mutex);
    m_set = false;
}

bool CSyncEvent::Wait(int timeoutMs)
{
    std::unique_lock<std::mutex> lock(m_mutex);
    auto isSet = [this] { return m_set; };
    if (timeoutMs < 0)
        m_changed.wait(lock, isSet);
    else if (!m_changed.wait_for(lock, std::chrono::milliseconds(timeoutMs), isSet))
        return false;
    if (!m_manualReset)
        m_set = false;
    return true;
}

bool CSyncEvent::IsSet() const
{
    std::lock_guard<std::mutex> guard(m_mutex);
    return m_set;
}

}  // namespace vy
