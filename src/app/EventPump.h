#pragma once

#include <chrono>

namespace velmorak {

// The port through which a wait on the interface thread keeps the program alive: while the
// controller waits for an engine search the user asked for (hint, threat), the front end
// goes on running what arrives for the interface thread (posted tasks, timers, painting),
// never user input.
//
// Production: the desktop program processes its events except user input; the command line
// runs its task queue; tests run their queued tasks and move the fake clock on.
class EventPump {
public:
    virtual ~EventPump() = default;
    // Runs what is pending for the interface thread, waiting up to `limit` for something to
    // arrive. Returns when something ran or the time passed.
    virtual void runFor(std::chrono::milliseconds limit) = 0;
};

} // namespace velmorak
