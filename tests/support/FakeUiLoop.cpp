#include "tests/support/FakeUiLoop.h"

#include <chrono>

namespace vy::test {

void CFakeUiLoop::Advance(int64_t ms)
{
    const int64_t target = m_now.load() + ms;
    RunPosted();
    for (;;) {
        int64_t next = NextDueMs();
        if (next < 0 || next > target)
            break;
        if (next > m_now.load())
            m_now = next;
        RunOneDueTimer(m_now.load());
        RunPosted();
    }
    m_now = target;
    RunPosted();
}

bool CFakeUiLoop::RunUntil(const std::function<bool()>& done, int realTimeoutMs)
{
    using Clock = std::chrono::steady_clock;
    const auto deadline = Clock::now() + std::chrono::milliseconds(realTimeoutMs);
    for (;;) {
        RunPosted();
        if (done())
            return true;
        if (Clock::now() >= deadline)
            return false;
        // Real-time wait for a post; WaitForWork measures on the fake clock,
        // so wait in short real slices instead.
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
}

}  // namespace vy::test
