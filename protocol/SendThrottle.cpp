#include "protocol/SendThrottle.h"

#include "base/MessageTarget.h"

namespace vy {

CSendThrottle::CSendThrottle(Clock clock, Flush flush)
    : m_clock(std::move(clock))
    , m_flush(std::move(flush))
{
}

void CSendThrottle::Setup(IMessageTarget* window, uint32_t timerId, uint32_t intervalMs, bool deferAlways)
{
    if (m_window && m_window != window)
        m_window->KillTimer(m_timerId);
    m_window = window;
    m_timerId = timerId;
    m_intervalMs = intervalMs;
    m_deferAlways = deferAlways;
}

void CSendThrottle::Signal()
{
    if (m_suspended)
        return;
    if (m_window)
        m_window->KillTimer(m_timerId);
    if (m_deferAlways && m_window) {
        m_window->SetTimer(m_timerId, m_intervalMs);
        return;
    }
    const int64_t now = m_clock();
    // The very first change has no earlier flush to wait for.
    if (!m_everFlushed || now - m_last >= static_cast<int64_t>(m_intervalMs) || !m_window) {
        m_last = now;
        m_everFlushed = true;
        m_flush();
        return;
    }
    // The batch goes out one interval after the last flush: a later change
    // joins it instead of pushing it back, so a steady drag still writes
    // every interval.
    const int64_t remaining = m_last + static_cast<int64_t>(m_intervalMs) - now;
    m_window->SetTimer(m_timerId, static_cast<uint32_t>(remaining > 0 ? remaining : 1));
}

void CSendThrottle::OnTimer()
{
    if (m_window)
        m_window->KillTimer(m_timerId);
    m_last = m_clock();
    m_everFlushed = true;
    m_flush();
}

} // namespace vy
