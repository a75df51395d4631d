#pragma once

#include <QObject>
#include <QTimer>
#include <map>
#include <memory>

#include "base/Clock.h"

namespace velmorak::gui {

// The clock port on the window's thread: ticks from the steady clock, timers as QTimers,
// so every timer callback runs on the window's thread between events. Timers armed from
// another thread are armed on the window's thread.
class QtClock : public Clock {
public:
    QtClock();
    ~QtClock() override;
    std::int64_t ticks() const override;
    void startTimer(TimerId id, int periodMs, bool periodic, Callback callback) override;
    void killTimer(TimerId id) override;
    void sleep(int ms) override;
    bool isArmed(TimerId id) const;

private:
    void arm(TimerId id, int periodMs, bool periodic, Callback callback);
    void disarm(TimerId id);

    QObject m_owner;
    std::map<TimerId, std::unique_ptr<QTimer>> m_timers;
};

} // namespace velmorak::gui
