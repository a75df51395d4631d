#pragma once

#include "UiThread.h"
#include "base/TaskQueue.h"

namespace velmorak {

// The interface thread of a program whose main loop runs a TaskQueue (the command line).
// The queue is not owned and must outlive this object.
class TaskQueueUiThread : public UiThread {
public:
    explicit TaskQueueUiThread(TaskQueue& queue)
        : m_queue(queue)
    {
    }

    void post(Task task) override { m_queue.post(std::move(task)); }

private:
    TaskQueue& m_queue;
};

} // namespace velmorak
