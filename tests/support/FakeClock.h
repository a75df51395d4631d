#pragma once

#include <map>

#include "base/Clock.h"

namespace velmorak::test {

// A clock whose time moves only when told. Timers fire inside advance(), on the calling
// thread, in the order they fall due (by id when two fall due together), each at its own
// due time: a callback reading ticks() sees the time it was due.
class FakeClock final : public Clock {
public:
    explicit FakeClock(std::int64_t start = 1000)
        : m_now(start)
    {
    }

    std::int64_t ticks() const override { return m_now; }
    void startTimer(TimerId id, int periodMs, bool periodic, Callback callback) override;
    void killTimer(TimerId id) override;
    // As advance(): the sleeper's time passes at once, and nothing sleeps for real.
    void sleep(int ms) override { advance(ms); }

    void setTicks(std::int64_t now) { m_now = now; }
    // Moves the time on by `ms`, firing every timer that falls due meanwhile.
    void advance(std::int64_t ms);
    bool isArmed(TimerId id) const { return m_timers.count(id) != 0; }

private:
    struct Timer {
        std::int64_t due;
        int period;
        bool periodic;
        Callback callback;
    };
    std::int64_t m_now;
    std::map<TimerId, Timer> m_timers;
};

} // namespace velmorak::test
