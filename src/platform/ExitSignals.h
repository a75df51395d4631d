#pragma once

#include <functional>
#include <iterator>
#include <thread>

#include <signal.h>

namespace velmorak {

// Turns SIGTERM, SIGINT, SIGHUP (the terminal closed) and SIGPIPE (the reader of our output
// went away) into one call of `onSignal(number)` on a thread of its own, so that the main
// loop, not the signal handler, runs the exit sequence: the handler only writes the
// signal's number into a pipe. After the first signal the default actions are back, so a
// second one ends a program whose exit hangs; SIGPIPE alone is ignored from then on (for
// good: each later write would raise it again), so those writes fail instead of killing
// the program. One object at a time per process.
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
    // How many of kSignals have our handler.
    std::size_t m_installed = 0;
    static constexpr int kSignals[] = { SIGTERM, SIGINT, SIGHUP, SIGPIPE };
    struct sigaction m_old[std::size(kSignals)] {};
    std::thread m_thread;
};

} // namespace velmorak
