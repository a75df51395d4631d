#pragma once

#include <functional>
#include <memory>

#include "base/Clock.h"

namespace velmorak {

// The port that brings work onto the interface thread. The engine thread and the timers
// never touch the game or the screen themselves: they post a task here, and the interface
// thread runs it. Tasks run one at a time, in the order they were posted.
//
// Production: a queued invocation in the desktop program, a task queue run by the command
// line's main loop; tests: a queue the test drains when it chooses.
class UiThread {
public:
    using Task = std::function<void()>;

    virtual ~UiThread() = default;
    // Safe from any thread; never runs the task inside the call.
    virtual void post(Task task) = 0;
};

// Arms timer `id` so that each time it fires, `step(owner)` runs on the interface thread, as
// long as the owner's liveness token `alive` still stands: a timer that fires while its owner
// is being destroyed posts a task that finds the token gone and does nothing.
template <class Owner, class Step>
void startPostedTimer(Clock& clock, UiThread& ui, std::weak_ptr<Owner*> alive, Clock::TimerId id,
    int periodMs, bool periodic, Step step)
{
    clock.startTimer(id, periodMs, periodic, [alive, ui = &ui, step] {
        ui->post([alive, step] {
            if (auto owner = alive.lock())
                step(**owner);
        });
    });
}

} // namespace velmorak
