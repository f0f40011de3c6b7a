#pragma once

#include <cstdint>
#include <functional>

namespace vy {

class IMessageTarget;

// Limits parameter writes to one batch per interval: the first change after
// a quiet interval is flushed at once, later ones wait for the window's timer
// and go out together. The window delivers the timer back through OnTimer.
class CSendThrottle {
public:
    using Clock = std::function<int64_t()>;
    using Flush = std::function<void()>;

    CSendThrottle(Clock clock, Flush flush);

    // What the effect page sets: the window that owns the timer, its id, the
    // interval and whether every change waits for the timer.
    void Setup(IMessageTarget* window, uint32_t timerId, uint32_t intervalMs, bool deferAlways = false);
    void SetSuspended(bool suspended) { m_suspended = suspended; }
    bool IsSuspended() const { return m_suspended; }
    uint32_t TimerId() const { return m_timerId; }

    // A value is waiting to be written.
    void Signal();
    // The window's timer fired.
    void OnTimer();

private:
    Clock m_clock;
    Flush m_flush;
    bool m_deferAlways = false;
    uint32_t m_intervalMs = 0;
    IMessageTarget* m_window = nullptr;
    uint32_t m_timerId = 0;
    int64_t m_last = 0;
    bool m_everFlushed = false;
    bool m_suspended = false;
};

} // namespace vy
