#pragma once

#include <cstdint>
#include <functional>

namespace velmorak {

// The one way the program learns the time and arms timers: ticks in milliseconds from an
// arbitrary start that never goes backwards, and timers named by an id of the caller's
// choosing. No class reads the system clock itself; tests hand in a fake whose time moves
// only when told.
class Clock {
public:
    using TimerId = int;
    using Callback = std::function<void()>;

    virtual ~Clock() = default;

    virtual std::int64_t ticks() const = 0;

    // Arms timer `id` to call `callback` `periodMs` from now, and every `periodMs` after
    // that when `periodic`. Arming an id that is armed replaces it. A period below 1 ms
    // counts as 1 ms.
    virtual void startTimer(TimerId id, int periodMs, bool periodic, Callback callback) = 0;
    // Disarms timer `id`; its callback is not started again afterwards. Unknown ids are
    // ignored. May be called from inside a callback.
    virtual void killTimer(TimerId id) = 0;
    // Blocks the calling thread until `ms` of this clock's time have passed (a fake clock's
    // time passes at once), for code that polls: waiting for a lock, for a process to end.
    virtual void sleep(int ms) = 0;
};

// The steady clock of the system. Its timers are served by one thread of its own, started
// with the first timer: every callback runs on that thread, one at a time, in the order
// the timers fall due, so a callback must hand its work on rather than block. The object is
// never destroyed, so it may be used while other static objects are destroyed; its timer
// thread, once started, runs until the process ends, so code that may be unloaded (a
// plug-in) must kill its timers before.
Clock& systemClock();

} // namespace velmorak
