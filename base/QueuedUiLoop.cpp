#include "base/QueuedUiLoop.h"

#include <algorithm>
#include <chrono>

namespace vy {

CQueuedUiLoop::CQueuedUiLoop() : m_loopThread(std::this_thread::get_id()) {}

void CQueuedUiLoop::Post(Task task)
{
    {
        std::lock_guard<std::mutex> guard(m_mutex);
        m_tasks.push_back(std::move(task));
    }
    m_posted.notify_all();
}

IUiLoop::TimerHandle CQueuedUiLoop::StartTimer(uint32_t intervalMs, Task callback)
{
    std::lock_guard<std::mutex> guard(m_mutex);
    uint32_t interval = std::max<uint32_t>(intervalMs, 1);
    TimerHandle handle = m_nextHandle++;
    m_timers[handle] = Timer{NowMs() + interval, interval, std::move(callback)};
    return handle;
}

void CQueuedUiLoop::StopTimer(TimerHandle handle)
{
    std::lock_guard<std::mutex> guard(m_mutex);
    m_timers.erase(handle);
}

size_t CQueuedUiLoop::RunPosted()
{
    size_t ran = 0;
    for (;;) {
        Task task;
        {
            std::lock_guard<std::mutex> guard(m_mutex);
            if (m_tasks.empty())
                return ran;
            task = std::move(m_tasks.front());
            m_tasks.pop_front();
        }
        if (task)
            task();
        ++ran;
    }
}

bool CQueuedUiLoop::RunOneDueTimer(int64_t now)
{
    TimerHandle handle = 0;
    Task callback;
    {
        std::lock_guard<std::mutex> guard(m_mutex);
        auto earliest = m_timers.end();
        for (auto it = m_timers.begin(); it != m_timers.end(); ++it)
            if (it->second.due <= now && (earliest == m_timers.end() || it->second.due < earliest->second.due))
                earliest = it;
        if (earliest == m_timers.end())
            return false;
        handle = earliest->first;
        earliest->second.due += earliest->second.interval;
        if (earliest->second.due <= now)  // a late real-time loop does not fire a burst
            earliest->second.due = now + earliest->second.interval;
        callback = earliest->second.callback;
    }
    (void)handle;
    if (callback)
        callback();
    return true;
}

int64_t CQueuedUiLoop::NextDueMs() const
{
    std::lock_guard<std::mutex> guard(m_mutex);
    int64_t next = -1;
    for (const auto& [handle, timer] : m_timers)
        if (next < 0 || timer.due < next)
            next = timer.due;
    return next;
}

size_t CQueuedUiLoop::TimerCount() const
{
    std::lock_guard<std::mutex> guard(m_mutex);
    return m_timers.size();
}

void CQueuedUiLoop::WaitForWork(int64_t deadlineMs)
{
    std::unique_lock<std::mutex> lock(m_mutex);
    auto ready = [this] { return !m_tasks.empty() || m_woken; };
    if (deadlineMs < 0) {
        m_posted.wait(lock, ready);
    } else {
        int64_t wait = deadlineMs - NowMs();
        if (wait > 0)
            m_posted.wait_for(lock, std::chrono::milliseconds(wait), ready);
    }
    m_woken = false;
}

void CQueuedUiLoop::Wake()
{
    {
        std::lock_guard<std::mutex> guard(m_mutex);
        m_woken = true;
    }
    m_posted.notify_all();
}

int64_t CRunLoop::NowMs() const
{
    using namespace std::chrono;
    return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}

void CRunLoop::Run()
{
    AdoptCurrentThread();
    for (;;) {
        {
            std::lock_guard<std::mutex> guard(m_quitMutex);
            if (m_quit) {
                m_quit = false;
                return;
            }
        }
        RunPosted();
        while (RunOneDueTimer(NowMs()))
            RunPosted();
        WaitForWork(NextDueMs());
    }
}

void CRunLoop::Quit()
{
    {
        std::lock_guard<std::mutex> guard(m_quitMutex);
        m_quit = true;
    }
    Wake();
}

}  // namespace vy
