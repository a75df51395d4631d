#include "support/FakeClock.h"

namespace velmorak::test {

void FakeClock::startTimer(TimerId id, int periodMs, bool periodic, Callback callback)
{
    int period = periodMs < 1 ? 1 : periodMs;
    m_timers[id] = Timer { m_now + period, period, periodic, std::move(callback) };
}

void FakeClock::killTimer(TimerId id)
{
    m_timers.erase(id);
}

void FakeClock::advance(std::int64_t ms)
{
    std::int64_t end = m_now + ms;
    for (;;) {
        auto next = m_timers.end();
        for (auto it = m_timers.begin(); it != m_timers.end(); ++it)
            if (it->second.due <= end &&
                (next == m_timers.end() || it->second.due < next->second.due))
                next = it;
        if (next == m_timers.end())
            break;
        m_now = next->second.due;
        // A copy: the callback may re-arm or kill its own timer.
        Callback callback = next->second.callback;
        if (next->second.periodic)
            next->second.due += next->second.period;
        else
            m_timers.erase(next);
        callback();
    }
    m_now = end;
}

} // namespace velmorak::test
