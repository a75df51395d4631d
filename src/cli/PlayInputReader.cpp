#include "PlayInputReader.h"

#include <cerrno>

#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

namespace velmorak::cli {

PlayInputReader::PlayInputReader(int fd, std::size_t maxLine,
    std::function<void(std::string)> onLine, std::function<void()> onEnd)
    : m_fd(fd)
    , m_maxLine(maxLine)
    , m_onLine(std::move(onLine))
    , m_onEnd(std::move(onEnd))
{
}

PlayInputReader::~PlayInputReader()
{
    stop();
    for (int fd : m_wake)
        if (fd >= 0)
            ::close(fd);
}

bool PlayInputReader::start()
{
    if (::pipe2(m_wake, O_CLOEXEC) != 0)
        return false;
    m_thread = std::thread([this] { run(); });
    return true;
}

void PlayInputReader::stop()
{
    if (!m_thread.joinable())
        return;
    {
        std::lock_guard lock(m_mutex);
        m_stopping = true;
    }
    m_room.notify_all();
    char byte = 0;
    while (::write(m_wake[1], &byte, 1) < 0 && errno == EINTR) { }
    m_thread.join();
}

void PlayInputReader::lineTaken()
{
    {
        std::lock_guard lock(m_mutex);
        --m_waiting;
    }
    m_room.notify_all();
}

bool PlayInputReader::waitForRoom()
{
    std::unique_lock lock(m_mutex);
    m_room.wait(lock, [this] { return m_stopping || m_waiting < kMaxWaitingLines; });
    if (m_stopping)
        return false;
    ++m_waiting;
    return true;
}

void PlayInputReader::run()
{
    std::string line;
    bool dropping = false;
    char buffer[4096];
    for (;;) {
        pollfd fds[2] = { { m_fd, POLLIN, 0 }, { m_wake[0], POLLIN, 0 } };
        if (::poll(fds, 2, -1) < 0) {
            if (errno == EINTR)
                continue;
            break;
        }
        if (fds[1].revents != 0)
            return; // stopped: the program is ending, nobody wants the end reported
        if (fds[0].revents == 0)
            continue;
        ssize_t n = ::read(m_fd, buffer, sizeof buffer);
        if (n < 0 && (errno == EINTR || errno == EAGAIN))
            continue;
        if (n <= 0)
            break;
        for (ssize_t i = 0; i < n; ++i) {
            if (buffer[i] == '\n') {
                if (!waitForRoom())
                    return;
                m_onLine(std::move(line));
                line.clear();
                dropping = false;
            } else if (!dropping) {
                line += buffer[i];
                dropping = line.size() >= m_maxLine;
            }
        }
    }
    // A last line without its line break still counts.
    if (!line.empty()) {
        if (!waitForRoom())
            return;
        m_onLine(std::move(line));
    }
    m_onEnd();
}

} // namespace velmorak::cli
