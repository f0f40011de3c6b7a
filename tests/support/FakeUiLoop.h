#pragma once

#include "base/QueuedUiLoop.h"

#include <atomic>
#include <functional>

namespace vy::test {

// A deterministic UI loop: time moves only when the test advances it.
// Posted tasks run in order; timers fire in time order at their due times.
class CFakeUiLoop : public CQueuedUiLoop {
public:
    int64_t NowMs() const override { return m_now.load(); }

    // Moves the clock forward by `ms`, running every posted task and every
    // timer due on the way, each at its own due time.
    void Advance(int64_t ms);
    // Runs posted tasks only.
    void Drain() { RunPosted(); }
    // Serves tasks posted by other threads, in real time, until `done`
    // returns true or `realTimeoutMs` passes; the fake clock stays put.
    bool RunUntil(const std::function<bool()>& done, int realTimeoutMs = 5000);

private:
    std::atomic<int64_t> m_now{1000000};
};

}  // namespace vy::test
