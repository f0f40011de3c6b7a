#pragma once

#include <condition_variable>
#include <mutex>

namespace vy {

// A waitable event with Windows semantics: a manual-reset event stays set
// until Reset; an auto-reset event lets exactly one waiter through and clears.
class CSyncEvent {
public:
    static constexpr int kInfinite = -1;

    CSyncEvent(bool manualReset, bool initiallySet);
    CSyncEvent(const CSyncEvent&) = delete;
    CSyncEvent& operator=(const CSyncEvent&) = delete;

    void Set();
    void Reset();
    // Waits up to timeoutMs (kInfinite: no limit). True when the event came.
    bool Wait(int timeoutMs = kInfinite);
    // The state without waiting; an auto-reset event is not consumed.
    bool IsSet() const;

private:
    const bool m_manualReset;
    bool m_set;
    mutable std::mutex m_mutex;
    std::condition_variable m_changed;
};

}  // namespace vy
