#pragma once

#include "base/UiLoop.h"

#include <QElapsedTimer>
#include <QObject>

#include <map>
#include <memory>

class QTimer;

namespace vy {

// The UI loop of the running program on Qt's event loop: posted tasks are
// queued to an object of the GUI thread (in posting order), timers are
// QTimers of that thread. Tasks still queued when the loop is destroyed are
// dropped with its receiver object.
class CQtUiLoop : public IUiLoop {
public:
    CQtUiLoop();
    ~CQtUiLoop() override;
    CQtUiLoop(const CQtUiLoop&) = delete;
    CQtUiLoop& operator=(const CQtUiLoop&) = delete;

    void Post(Task task) override;
    int64_t NowMs() const override;
    TimerHandle StartTimer(uint32_t intervalMs, Task callback) override;
    void StopTimer(TimerHandle handle) override;
    bool IsLoopThread() const override;

    size_t TimerCount() const { return m_timers.size(); }

private:
    std::unique_ptr<QObject> m_receiver;
    std::map<TimerHandle, QTimer*> m_timers;
    TimerHandle m_nextHandle = 1;
    QElapsedTimer m_clock;
};

}  // namespace vy
