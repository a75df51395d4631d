#include "support/PtyBoardServer.h"

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <stdexcept>

#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <termios.h>
#include <unistd.h>

namespace velmorak::test {

namespace {

// How long send() waits for the program to make room by reading.
constexpr int kSendWaitMs = 5000;

void closeIfOpen(int& fd)
{
    if (fd != -1)
        ::close(fd);
    fd = -1;
}

} // namespace

PtyBoardServer::PtyBoardServer(Responder responder)
    : m_link(m_folder.file("board"))
    , m_responder(std::move(responder))
{
    if (::pipe2(m_wake, O_CLOEXEC | O_NONBLOCK) != 0)
        throw std::runtime_error("cannot create a pipe");
    plugBack();
    m_thread = std::thread([this] { serve(); });
}

PtyBoardServer::~PtyBoardServer()
{
    {
        std::lock_guard lock(m_mutex);
        m_stopping = true;
    }
    wake();
    m_thread.join();
    unplug();
    closeIfOpen(m_wake[0]);
    closeIfOpen(m_wake[1]);
}

std::string PtyBoardServer::devicePath() const
{
    std::lock_guard lock(m_mutex);
    return m_device;
}

void PtyBoardServer::setResponder(Responder responder)
{
    std::lock_guard lock(m_mutex);
    m_responder = std::move(responder);
}

void PtyBoardServer::setReading(bool reading)
{
    {
        std::lock_guard lock(m_mutex);
        m_reading = reading;
    }
    wake();
}

std::string PtyBoardServer::received() const
{
    std::lock_guard lock(m_mutex);
    return m_received;
}

bool PtyBoardServer::waitForReceived(std::size_t count, int timeoutMs) const
{
    std::unique_lock lock(m_mutex);
    return m_receivedMore.wait_for(
        lock, std::chrono::milliseconds(timeoutMs), [&] { return m_received.size() >= count; });
}

bool PtyBoardServer::send(std::string_view bytes)
{
    std::lock_guard lock(m_mutex);
    while (!bytes.empty()) {
        if (m_master == -1)
            return false;
        const ssize_t written = ::write(m_master, bytes.data(), bytes.size());
        if (written > 0) {
            bytes.remove_prefix(static_cast<std::size_t>(written));
            continue;
        }
        if (written < 0 && errno == EINTR)
            continue;
        pollfd entry { m_master, POLLOUT, 0 };
        if (written == 0 || (errno != EAGAIN && errno != EWOULDBLOCK) ||
            ::poll(&entry, 1, kSendWaitMs) <= 0)
            return false;
    }
    return true;
}

void PtyBoardServer::unplug()
{
    std::unique_lock lock(m_mutex);
    // The master first: that is what hangs the terminal up for every opener.
    closeIfOpen(m_master);
    closeIfOpen(m_slave);
    m_device.clear();
    ::unlink(m_link.c_str());
    // While the server's thread polls the master, the system keeps it open: the hang-up
    // happens only once that poll returns. Wait for it, so that the caller's next read or
    // write meets the hang-up.
    if (m_thread.joinable() && std::this_thread::get_id() != m_thread.get_id()) {
        const std::uint64_t round = m_round;
        wake();
        m_roundDone.wait(lock, [&] { return m_round != round || m_stopping; });
    }
}

void PtyBoardServer::plugBack()
{
    {
        std::lock_guard lock(m_mutex);
        if (m_master != -1)
            return;
        int master = -1;
        int slave = -1;
        if (::openpty(&master, &slave, nullptr, nullptr, nullptr) != 0)
            throw std::runtime_error("cannot open a pseudo-terminal");
        // Raw on the terminal's side is raw both ways: no echo of what the program writes,
        // no translation of what the board sends. Children (the CLI) must not keep the
        // master, or unplug() would not hang up.
        termios line {};
        ::tcgetattr(slave, &line);
        ::cfmakeraw(&line);
        ::tcsetattr(slave, TCSANOW, &line);
        ::fcntl(master, F_SETFD, FD_CLOEXEC);
        ::fcntl(slave, F_SETFD, FD_CLOEXEC);
        ::fcntl(master, F_SETFL, ::fcntl(master, F_GETFL) | O_NONBLOCK);
        char name[128] = {};
        if (::ptsname_r(master, name, sizeof name) != 0) {
            ::close(master);
            ::close(slave);
            throw std::runtime_error("cannot name a pseudo-terminal");
        }
        // Re-pointed in one step, so that an opener never finds the link missing.
        const std::string fresh = m_link + ".new";
        ::unlink(fresh.c_str());
        if (::symlink(name, fresh.c_str()) != 0 || std::rename(fresh.c_str(), m_link.c_str()) != 0)
            throw std::runtime_error("cannot link the pseudo-terminal");
        m_master = master;
        m_slave = slave;
        m_device = name;
    }
    wake();
}

void PtyBoardServer::wake() const
{
    const char byte = 0;
    [[maybe_unused]] const ssize_t ignored = ::write(m_wake[1], &byte, 1);
}

void PtyBoardServer::serve()
{
    for (;;) {
        int master;
        int listened;
        {
            std::lock_guard lock(m_mutex);
            if (m_stopping)
                return;
            ++m_round;
            m_roundDone.notify_all();
            master = m_master;
            listened = m_reading ? master : -1;
        }
        // A negative descriptor is skipped by poll: while unplugged only the wake-up counts.
        pollfd entries[2] = { { m_wake[0], POLLIN, 0 }, { listened, POLLIN, 0 } };
        if (::poll(entries, 2, -1) < 0)
            continue;
        if (entries[0].revents & POLLIN) {
            char drain[64];
            while (::read(m_wake[0], drain, sizeof drain) > 0) { }
        }
        if (!(entries[1].revents & POLLIN)) {
            // A master that reports only an error would wake the loop at once, forever.
            if (entries[1].revents & (POLLHUP | POLLERR))
                ::poll(entries, 1, 10);
            continue;
        }

        std::unique_lock lock(m_mutex);
        if (m_master != master)
            continue; // unplugged meanwhile
        char buffer[512];
        const ssize_t count = ::read(master, buffer, sizeof buffer);
        if (count <= 0)
            continue;
        const std::string_view chunk(buffer, static_cast<std::size_t>(count));
        m_received.append(chunk);
        m_receivedMore.notify_all();
        const Responder responder = m_responder;
        // Unlocked, so that the responder may send, unplug or set another responder itself.
        lock.unlock();
        if (responder) {
            const std::string reply = responder(chunk);
            if (!reply.empty())
                send(reply);
        }
    }
}

} // namespace velmorak::test
