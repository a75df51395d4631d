#include "base/Clock.h"

#include <chrono>
#include <condition_variable>
#include <map>
#include <memory>
#include <mutex>
#include <new>
#include <thread>

namespace velmorak {

namespace {

// Made once and never destroyed (see systemClock), so it has no way to stop its thread.
class SteadyClock final : public Clock {
public:
    std::int64_t ticks() const override
    {
        using namespace std::chrono;
        return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
    }

    void startTimer(TimerId id, int periodMs, bool periodic, Callback callback) override
    {
        std::lock_guard lock(m_mutex);
        int period = periodMs < 1 ? 1 : periodMs;
        m_timers[id] = Timer { ticks() + period, period, periodic,
            std::make_shared<Callback>(std::move(callback)) };
        if (!m_thread.joinable())
            m_thread = std::thread([this] { serve(); });
        m_changed.notify_all();
    }

    void killTimer(TimerId id) override
    {
        std::lock_guard lock(m_mutex);
        m_timers.erase(id);
        m_changed.notify_all();
    }

    void sleep(int ms) override { std::this_thread::sleep_for(std::chrono::milliseconds(ms)); }

private:
    struct Timer {
        std::int64_t due;
        int period;
        bool periodic;
        std::shared_ptr<Callback> callback;
    };

    void serve()
    {
        std::unique_lock lock(m_mutex);
        for (;;) {
            auto next = m_timers.end();
            for (auto it = m_timers.begin(); it != m_timers.end(); ++it)
                if (next == m_timers.end() || it->second.due < next->second.due)
                    next = it;
            if (next == m_timers.end()) {
                m_changed.wait(lock);
                continue;
            }
            std::int64_t wait = next->second.due - ticks();
            if (wait > 0) {
                m_changed.wait_for(lock, std::chrono::milliseconds(wait));
                continue;
            }
            std::shared_ptr<Callback> callback = next->second.callback;
            if (next->second.periodic)
                next->second.due += next->second.period;
            else
                m_timers.erase(next);
            // Unlocked, so that the callback may arm or kill timers.
            lock.unlock();
            (*callback)();
            lock.lock();
        }
    }

    std::mutex m_mutex;
    std::condition_variable m_changed;
    std::map<TimerId, Timer> m_timers;
    std::thread m_thread;
};

} // namespace

Clock& systemClock()
{
    // Never destroyed: objects with static storage duration made after the first call (the
    // bridge a plug-in keeps, say) still read the time while they are destroyed at exit or
    // unload, after a destroyed clock would be gone. The storage is static, so nothing leaks.
    alignas(SteadyClock) static unsigned char storage[sizeof(SteadyClock)];
    static SteadyClock* clock = new (storage) SteadyClock;
    return *clock;
}

} // namespace velmorak
