#include "gui/QtClock.h"

#include <QThread>

namespace velmorak::gui {

QtClock::QtClock() = default;
QtClock::~QtClock() = default;

std::int64_t QtClock::ticks() const
{
    return systemClock().ticks();
}

void QtClock::sleep(int ms)
{
    systemClock().sleep(ms);
}

void QtClock::startTimer(TimerId id, int periodMs, bool periodic, Callback callback)
{
    if (QThread::currentThread() == m_owner.thread()) {
        arm(id, periodMs, periodic, std::move(callback));
        return;
    }
    QMetaObject::invokeMethod(
        &m_owner,
        [this, id, periodMs, periodic, callback = std::move(callback)]() mutable {
            arm(id, periodMs, periodic, std::move(callback));
        },
        Qt::QueuedConnection);
}

void QtClock::killTimer(TimerId id)
{
    if (QThread::currentThread() == m_owner.thread()) {
        disarm(id);
        return;
    }
    QMetaObject::invokeMethod(
        &m_owner, [this, id] { disarm(id); }, Qt::QueuedConnection);
}

bool QtClock::isArmed(TimerId id) const
{
    auto found = m_timers.find(id);
    return found != m_timers.end() && found->second->isActive();
}

void QtClock::arm(TimerId id, int periodMs, bool periodic, Callback callback)
{
    disarm(id);
    auto& timer = m_timers[id];
    timer = std::make_unique<QTimer>();
    timer->setTimerType(Qt::PreciseTimer);
    timer->setSingleShot(!periodic);
    QObject::connect(timer.get(), &QTimer::timeout, timer.get(),
        [this, id, single = !periodic, callback = std::move(callback)] {
            if (single)
                disarm(id);
            callback();
        });
    timer->start(std::max(1, periodMs));
}

void QtClock::disarm(TimerId id)
{
    auto found = m_timers.find(id);
    if (found == m_timers.end())
        return;
    // A timer killed from its own callback must not be deleted under it; stopped now, it
    // never fires again, also not in a modal dialog's loop, where deletions wait until the
    // dialog closes.
    found->second->stop();
    found->second.release()->deleteLater();
    m_timers.erase(found);
}

} // namespace velmorak::gui
