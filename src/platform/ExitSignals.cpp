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

// Set by the first SIGPIPE.
std::atomic<bool> g_outputGone { false };

void onExitSignal(int number)
{
    // Only async-signal-safe calls here; errno belongs to the interrupted code.
    int saved = errno;
    if (number == SIGPIPE) {
        struct sigaction ignore { };
        ignore.sa_handler = SIG_IGN;
        ::sigaction(SIGPIPE, &ignore, nullptr);
        if (g_outputGone.exchange(true)) {
            errno = saved;
            return;
        }
    }
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
    for (std::size_t i = 0; i < m_installed; ++i)
        if (kSignals[i] != SIGPIPE || !g_outputGone.load())
            ::sigaction(kSignals[i], &m_old[i], nullptr);
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
    for (int number : kSignals) {
        // The handler itself ignores SIGPIPE once it came.
        action.sa_flags = SA_RESTART | (number == SIGPIPE ? 0 : SA_RESETHAND);
        if (::sigaction(number, &action, &m_old[m_installed]) != 0) {
            for (; m_installed > 0; --m_installed)
                ::sigaction(kSignals[m_installed - 1], &m_old[m_installed - 1], nullptr);
            return false;
        }
        ++m_installed;
    }
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
