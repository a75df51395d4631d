#pragma once

#include <functional>
#include <thread>

#include <signal.h>

namespace velmorak {

// Turns SIGTERM and SIGINT into one call of `onSignal(number)` on a thread of its own, so
// that the main loop, not the signal handler, runs the exit sequence: the handler only
// writes the signal's number into a pipe. After the first signal the default actions are
// back, so a second one ends a program whose exit hangs. One object at a time per process.
class ExitSignals {
public:
    explicit ExitSignals(std::function<void(int)> onSignal);
    // Puts the previous handlers back and ends the thread.
    ~ExitSignals();
    ExitSignals(const ExitSignals&) = delete;
    ExitSignals& operator=(const ExitSignals&) = delete;

    // Installs the handlers; false when the pipe or a handler could not be set up.
    bool start();

private:
    void run();

    std::function<void(int)> m_onSignal;
    int m_pipe[2] = { -1, -1 };
    bool m_installed = false;
    struct sigaction m_oldTerm { };
    struct sigaction m_oldInt { };
    std::thread m_thread;
};

} // namespace velmorak
