#include "engine/PluginEngineThread.h"

namespace velmorak {

PluginEngineThread::PluginEngineThread(const EnginePluginFunctions& functions,
    const EngineCallbacks* callbacks, int hashSizeKb, EngineOutput* output)
    : m_functions(functions)
    , m_callbacks(callbacks)
    , m_output(output)
{
    m_thread = std::thread([this, hashSizeKb] { run(hashSizeKb); });
    std::unique_lock lock(m_mutex);
    m_changed.wait(lock, [this] { return m_started; });
}

PluginEngineThread::~PluginEngineThread()
{
    stopAndWait();
    {
        std::lock_guard lock(m_mutex);
        m_exit = true;
    }
    m_changed.notify_all();
    m_thread.join();
}

void PluginEngineThread::run(int hashSizeKb)
{
    m_functions.startEngine(hashSizeKb, m_callbacks);
    std::unique_lock lock(m_mutex);
    m_started = true;
    m_changed.notify_all();
    for (;;) {
        m_changed.wait(lock, [this] { return m_exit || m_pendingMode >= 0; });
        // The exit command wins over a pending search.
        if (m_exit)
            break;
        int mode = m_pendingMode;
        m_pendingMode = -1;
        lock.unlock();
        m_functions.startAnalyse(mode);
        if (m_output) {
            m_output->engineBusy = 0;
            m_output->ponderActive = 0;
        }
        lock.lock();
        m_busy = false;
        m_changed.notify_all();
    }
    lock.unlock();
    m_functions.exitEngine();
}

void PluginEngineThread::startSearch(int mode)
{
    {
        std::lock_guard lock(m_mutex);
        if (m_busy)
            return;
        m_busy = true;
        m_pendingMode = mode;
        if (m_output) {
            m_output->engineBusy = 1;
            m_output->ponderActive = mode == VELMORAK_SEARCH_PONDER ? 1 : 0;
            m_output->setSearchStartTick(m_output->now());
        }
    }
    m_changed.notify_all();
}

bool PluginEngineThread::waitUntilIdle(std::chrono::milliseconds timeout)
{
    std::unique_lock lock(m_mutex);
    return m_changed.wait_for(lock, timeout, [this] { return !m_busy; });
}

bool PluginEngineThread::isBusy() const
{
    std::lock_guard lock(m_mutex);
    return m_busy;
}

void PluginEngineThread::stopAndWait()
{
    if (!isBusy())
        return;
    m_functions.stopAnalyse();
    std::unique_lock lock(m_mutex);
    m_changed.wait(lock, [this] { return !m_busy; });
}

} // namespace velmorak
