#include "ExitSignals.h"

#include <atomic>
#include <cerrno>

#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

namespace velmorak {

namespace {

// The pipe's writing end as the handler sees it; -1 while no object listens.
std::atomic<int> g_signalPipe { -1 };
// Written by stop: not a signal number.
constexpr char kStopByte = 0;

void onExitSignal(int number)
{
    // Only async-signal-safe calls here; errno belongs to the interrupted code.
    int saved = errno;
    int fd = g_signalPipe.load();
    if (fd >= 0) {
        char byte = char(number);
        (void)!::write(fd, &byte, 1);
    }
    errno = saved;
}

} // namespace

ExitSignals::ExitSignals(std::function<void(int)> onSignal)
    : m_onSignal(std::move(onSignal))
{
}

ExitSignals::~ExitSignals()
{
    if (m_installed) {
        ::sigaction(SIGTERM, &m_oldTerm, nullptr);
        ::sigaction(SIGINT, &m_oldInt, nullptr);
    }
    int ours = m_pipe[1];
    g_signalPipe.compare_exchange_strong(ours, -1);
    if (m_thread.joinable()) {
        char byte = kStopByte;
        while (::write(m_pipe[1], &byte, 1) < 0 && errno == EINTR) { }
        m_thread.join();
    }
    for (int fd : m_pipe)
        if (fd >= 0)
            ::close(fd);
}

bool ExitSignals::start()
{
    // Non-blocking writes: a handler never waits on a full pipe.
    if (::pipe2(m_pipe, O_CLOEXEC) != 0 || ::fcntl(m_pipe[1], F_SETFL, O_NONBLOCK) != 0)
        return false;
    m_thread = std::thread([this] { run(); });
    g_signalPipe.store(m_pipe[1]);
    struct sigaction action { };
    action.sa_handler = onExitSignal;
    ::sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART | SA_RESETHAND;
    if (::sigaction(SIGTERM, &action, &m_oldTerm) != 0)
        return false;
    if (::sigaction(SIGINT, &action, &m_oldInt) != 0) {
        ::sigaction(SIGTERM, &m_oldTerm, nullptr);
        return false;
    }
    m_installed = true;
    return true;
}

void ExitSignals::run()
{
    for (;;) {
        char byte = kStopByte;
        ssize_t n = ::read(m_pipe[0], &byte, 1);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0 || byte == kStopByte)
            return;
        m_onSignal(byte);
    }
}

} // namespace velmorak
