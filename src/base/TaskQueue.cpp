#include "TaskQueue.h"

#include <utility>

namespace velmorak {

void TaskQueue::post(Task task)
{
    {
        std::lock_guard lock(m_mutex);
        if (m_closed)
            return;
        m_tasks.push_back(std::move(task));
    }
    m_posted.notify_one();
}

bool TaskQueue::runOne(std::chrono::milliseconds timeout)
{
    Task task;
    {
        std::unique_lock lock(m_mutex);
        if (!m_posted.wait_for(lock, timeout, [this] { return !m_tasks.empty() || m_closed; }))
            return false;
        if (m_tasks.empty())
            return false;
        task = std::move(m_tasks.front());
        m_tasks.pop_front();
    }
    task();
    return true;
}

int TaskQueue::runPending()
{
    std::deque<Task> batch;
    {
        std::lock_guard lock(m_mutex);
        batch.swap(m_tasks);
    }
    int count = 0;
    for (Task& task : batch) {
        task();
        ++count;
    }
    return count;
}

bool TaskQueue::runUntil(const std::function<bool()>& done)
{
    for (;;) {
        if (done())
            return true;
        Task task;
        {
            std::unique_lock lock(m_mutex);
            m_posted.wait(lock, [this] { return !m_tasks.empty() || m_closed; });
            if (m_tasks.empty())
                return done();
            task = std::move(m_tasks.front());
            m_tasks.pop_front();
        }
        task();
    }
}

void TaskQueue::close()
{
    {
        std::lock_guard lock(m_mutex);
        m_closed = true;
    }
    m_posted.notify_all();
}

bool TaskQueue::isClosed() const
{
    std::lock_guard lock(m_mutex);
    return m_closed;
}

} // namespace velmorak
