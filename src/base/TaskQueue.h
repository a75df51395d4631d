#pragma once

#include <chrono>
#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>

namespace velmorak {

// A first-in first-out queue of tasks, posted from any thread and run by one thread that
// owns the loop (the command line's main loop). Tasks run outside the lock, so a task may
// post further tasks; they run after those already waiting.
class TaskQueue {
public:
    using Task = std::function<void()>;

    // Safe from any thread. After close() the task is dropped.
    void post(Task task);

    // Runs the oldest task, waiting up to `timeout` for one to arrive. False when none ran
    // (timed out or closed and empty).
    bool runOne(std::chrono::milliseconds timeout);

    // Runs every task already waiting, none posted meanwhile by them; returns how many ran.
    int runPending();

    // Runs tasks until `done()` holds or the queue is closed and drained. `done()` is checked
    // before the first wait and after each task, so whatever makes it true must post a task
    // (or close the queue) to be noticed. True when `done()` held.
    bool runUntil(const std::function<bool()>& done);

    // Wakes a waiting runOne/runUntil; later posts are dropped. Tasks already queued may
    // still be run by runOne or runPending.
    void close();
    bool isClosed() const;

private:
    mutable std::mutex m_mutex;
    std::condition_variable m_posted;
    std::deque<Task> m_tasks;
    bool m_closed = false;
};

} // namespace velmorak
