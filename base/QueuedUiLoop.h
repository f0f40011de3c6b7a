#pragma once

#include "base/UiLoop.h"

#include <condition_variable>
#include <deque>
#include <map>
#include <mutex>
#include <thread>

namespace vy {

// A UI loop made of a task queue and timers, without a windowing system. The
// clock is the derived class's: real time (CRunLoop) or a fake one in tests.
class CQueuedUiLoop : public IUiLoop {
public:
    CQueuedUiLoop();

    void Post(Task task) override;
    TimerHandle StartTimer(uint32_t intervalMs, Task callback) override;
    void StopTimer(TimerHandle handle) override;
    bool IsLoopThread() const override { return std::this_thread::get_id() == m_loopThread; }

    // Makes the calling thread the loop thread.
    void AdoptCurrentThread() { m_loopThread = std::this_thread::get_id(); }
    // Runs the tasks posted so far (and those they post); returns how many ran.
    size_t RunPosted();
    // Runs the earliest timer due at or before `now`; false when none is due.
    bool RunOneDueTimer(int64_t now);
    // Due time of the earliest timer, or -1.
    int64_t NextDueMs() const;
    size_t TimerCount() const;

protected:
    // Waits until a task is posted or `deadlineMs` (on the loop's clock,
    // -1: no deadline) passes, or Wake() is called.
    void WaitForWork(int64_t deadlineMs);
    void Wake();

private:
    struct Timer {
        int64_t due;
        uint32_t interval;
        Task callback;
    };

    mutable std::mutex m_mutex;
    std::condition_variable m_posted;
    std::deque<Task> m_tasks;
    std::map<TimerHandle, Timer> m_timers;
    TimerHandle m_nextHandle = 1;
    bool m_woken = false;
    std::thread::id m_loopThread;
};

// A real-time loop on the calling thread, for command-line tools: Run()
// serves tasks and timers until Quit() is called from any thread.
class CRunLoop : public CQueuedUiLoop {
public:
    int64_t NowMs() const override;
    void Run();
    void Quit();

private:
    bool m_quit = false;
    std::mutex m_quitMutex;
};

}  // namespace vy
