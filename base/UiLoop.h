#pragma once

#include <cstdint>
#include <functional>

namespace vy {

// The UI thread's loop as the libraries see it. Production runs it on Qt's
// event loop; tests use a deterministic loop with a fake clock.
class IUiLoop {
public:
    using Task = std::function<void()>;
    using TimerHandle = uint64_t;

    virtual ~IUiLoop() = default;
    // From any thread: runs the task later on the UI thread, in posting order.
    virtual void Post(Task task) = 0;
    // Monotonic clock in milliseconds.
    virtual int64_t NowMs() const = 0;
    // UI thread only: calls `callback` every `intervalMs` until stopped.
    virtual TimerHandle StartTimer(uint32_t intervalMs, Task callback) = 0;
    virtual void StopTimer(TimerHandle handle) = 0;
    // True on the thread that runs the loop.
    virtual bool IsLoopThread() const = 0;
};

}  // namespace vy
