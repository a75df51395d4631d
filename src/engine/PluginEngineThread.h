#pragma once

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <thread>

#include "engine/EngineOutput.h"
#include "engine/EnginePluginHost.h"

namespace velmorak {

// A minimal engine thread for a loaded plug-in: StartEngine when it starts, StartAnalyse
// for each search command, ExitEngine when it ends; the calling thread prepares searches,
// stops them and waits. Used by the command line, the benchmarks and the tests; the game
// controller has its own driver with the book, animation and move-playing steps.
class PluginEngineThread {
public:
    // Starts the thread and returns once StartEngine has returned on it. `output` gets its
    // busy flag set around every search.
    PluginEngineThread(const EnginePluginFunctions& functions, const EngineCallbacks* callbacks,
        int hashSizeKb, EngineOutput* output = nullptr);
    // Stops a running search, then ends the thread (ExitEngine runs on it).
    ~PluginEngineThread();
    PluginEngineThread(const PluginEngineThread&) = delete;
    PluginEngineThread& operator=(const PluginEngineThread&) = delete;

    // Hands StartAnalyse(mode) to the engine thread; returns at once. Ignored while busy.
    void startSearch(int mode);
    // Waits until no search runs; false when the timeout passed first.
    bool waitUntilIdle(std::chrono::milliseconds timeout);
    bool isBusy() const;
    // StopAnalyse from this thread, then waits until the search has ended.
    void stopAndWait();

private:
    void run(int hashSizeKb);

    EnginePluginFunctions m_functions;
    const EngineCallbacks* m_callbacks;
    EngineOutput* m_output;
    mutable std::mutex m_mutex;
    std::condition_variable m_changed;
    bool m_started = false;
    bool m_exit = false;
    bool m_busy = false;
    int m_pendingMode = -1;
    std::thread m_thread;
};

} // namespace velmorak
