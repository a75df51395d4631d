#pragma once

#include "app/EventPump.h"
#include "base/TaskQueue.h"

namespace velmorak {

// The event pump of a program whose main loop runs a TaskQueue (the command line): a wait
// runs the queue's tasks. The queue is not owned and must outlive this object.
class TaskQueueEventPump : public EventPump {
public:
    explicit TaskQueueEventPump(TaskQueue& queue)
        : m_queue(queue)
    {
    }

    void runFor(std::chrono::milliseconds limit) override
    {
        if (m_queue.runOne(limit))
            m_queue.runPending();
    }

private:
    TaskQueue& m_queue;
};

} // namespace velmorak
