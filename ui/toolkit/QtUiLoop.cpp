#include "ui/toolkit/QtUiLoop.h"

#include "base/Log.h"

#include <QCoreApplication>
#include <QThread>
#include <QTimer>

namespace vy {

CQtUiLoop::CQtUiLoop() : m_receiver(std::make_unique<QObject>())
{
    // The receiver belongs to the GUI thread whatever thread builds the loop.
    if (QCoreApplication::instance())
        m_receiver->moveToThread(QCoreApplication::instance()->thread());
    m_clock.start();
}

CQtUiLoop::~CQtUiLoop()
{
    for (auto& [handle, timer] : m_timers)
        delete timer;
}

void CQtUiLoop::Post(Task task)
{
    QMetaObject::invokeMethod(
        m_receiver.get(), [task = std::move(task)] { task(); }, Qt::QueuedConnection);
}

int64_t CQtUiLoop::NowMs() const
{
    return m_clock.elapsed();
}

IUiLoop::TimerHandle CQtUiLoop::StartTimer(uint32_t intervalMs, Task callback)
{
    if (!IsLoopThread()) {
        VY_LOG("timer started off the UI thread");
        return 0;
    }
    TimerHandle handle = m_nextHandle++;
    auto* timer = new QTimer();
    timer->setInterval(static_cast<int>(intervalMs));
    timer->setTimerType(Qt::PreciseTimer);
    QObject::connect(timer, &QTimer::timeout, m_receiver.get(), [callback = std::move(callback)] { callback(); });
    m_timers[handle] = timer;
    timer->start();
    return handle;
}

void CQtUiLoop::StopTimer(TimerHandle handle)
{
    auto it = m_timers.find(handle);
    if (it == m_timers.end())
        return;
    it->second->stop();
    // The timer may be the one whose callback is running now.
    it->second->deleteLater();
    m_timers.erase(it);
}

bool CQtUiLoop::IsLoopThread() const
{
    return QThread::currentThread() == m_receiver->thread();
}

}  // namespace vy
