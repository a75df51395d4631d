#pragma once

#include <functional>

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

} // namespace velmorak
