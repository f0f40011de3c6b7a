#pragma once

#include "base/UiLoop.h"

#include <cstdint>
#include <map>
#include <memory>

namespace vy {

// Message numbers keep their Windows values, so ids of the program's own
// messages (WM_USER + 101, ...) read the same everywhere.
constexpr uint32_t WM_TIMER = 0x0113;
constexpr uint32_t WM_HOTKEY = 0x0312;
constexpr uint32_t WM_USER = 0x0400;
constexpr uint32_t WMU_APP_NOTIFY = WM_USER + 101;
constexpr uint32_t WMU_TRAY_NOTIFY = WM_USER + 1101;

// Something that receives window-style messages and timers by numeric id on
// the UI thread.
class IMessageTarget {
public:
    virtual ~IMessageTarget() = default;
    // From any thread; delivered later on the UI thread. False when the
    // target can no longer take messages.
    virtual bool PostMessage(uint32_t msg, uintptr_t wParam, intptr_t lParam) = 0;
    // UI thread: handled at once, returns the handler's result.
    virtual intptr_t SendMessage(uint32_t msg, uintptr_t wParam, intptr_t lParam) = 0;
    // UI thread: (re)starts timer `id`, delivered as WM_TIMER with wParam = id.
    virtual bool SetTimer(uint32_t id, uint32_t intervalMs) = 0;
    virtual bool KillTimer(uint32_t id) = 0;
};

// A message target on an IUiLoop. Messages posted to it after its destruction
// are dropped, so worker threads may post freely.
class CMessageTarget : public IMessageTarget {
public:
    explicit CMessageTarget(IUiLoop& loop);
    ~CMessageTarget() override;

    bool PostMessage(uint32_t msg, uintptr_t wParam, intptr_t lParam) override;
    intptr_t SendMessage(uint32_t msg, uintptr_t wParam, intptr_t lParam) override;
    bool SetTimer(uint32_t id, uint32_t intervalMs) override;
    bool KillTimer(uint32_t id) override;
    bool HasTimer(uint32_t id) const { return m_timers.count(id) != 0; }

    IUiLoop& Loop() const { return m_loop; }

protected:
    // Override to handle messages; WM_TIMER carries the timer id in wParam.
    virtual intptr_t OnMessage(uint32_t msg, uintptr_t wParam, intptr_t lParam) = 0;

private:
    IUiLoop& m_loop;
    std::shared_ptr<CMessageTarget*> m_alive;
    std::map<uint32_t, IUiLoop::TimerHandle> m_timers;
};

}  // namespace vy
