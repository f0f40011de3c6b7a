#include "base/MessageTarget.h"

namespace vy {

CMessageTarget::CMessageTarget(IUiLoop& loop) : m_loop(loop), m_alive(std::make_shared<CMessageTarget*>(this)) {}

CMessageTarget::~CMessageTarget()
{
    for (const auto& [id, handle] : m_timers)
        m_loop.StopTimer(handle);
}

bool CMessageTarget::PostMessage(uint32_t msg, uintptr_t wParam, intptr_t lParam)
{
    std::weak_ptr<CMessageTarget*> alive = m_alive;
    m_loop.Post([alive, msg, wParam, lParam] {
        // Runs on the UI thread, where the target is destroyed: no race.
        if (auto target = alive.lock())
            (*target)->OnMessage(msg, wParam, lParam);
    });
    return true;
}

intptr_t CMessageTarget::SendMessage(uint32_t msg, uintptr_t wParam, intptr_t lParam)
{
    return OnMessage(msg, wParam, lParam);
}

bool CMessageTarget::SetTimer(uint32_t id, uint32_t intervalMs)
{
    KillTimer(id);
    std::weak_ptr<CMessageTarget*> alive = m_alive;
    m_timers[id] = m_loop.StartTimer(intervalMs, [alive, id] {
        if (auto target = alive.lock())
            (*target)->OnMessage(WM_TIMER, id, 0);
    });
    return true;
}

bool CMessageTarget::KillTimer(uint32_t id)
{
    auto it = m_timers.find(id);
    if (it == m_timers.end())
        return false;
    m_loop.StopTimer(it->second);
    m_timers.erase(it);
    return true;
}

}  // namespace vy
