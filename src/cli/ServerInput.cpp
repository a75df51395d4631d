#include "ServerInput.h"

#include <cerrno>
#include <chrono>
#include <thread>

#include <poll.h>
#include <unistd.h>

namespace velmorak::cli {

ServerInput::ServerInput(int fd, std::size_t maxLine)
    : m_fd(fd)
    , m_maxLine(maxLine)
{
}

void ServerInput::read(int timeoutMs)
{
    const int wait = timeoutMs < 0 ? 0 : timeoutMs;
    if (m_eof || m_lines.size() >= kMaxWaitingLines) {
        std::this_thread::sleep_for(std::chrono::milliseconds(wait));
        return;
    }
    pollfd entry { m_fd, POLLIN, 0 };
    int ready = ::poll(&entry, 1, wait);
    if (ready < 0 && errno == EINTR)
        return;
    if (ready <= 0)
        return;
    char buffer[4096];
    // After POLLIN (or POLLHUP) one read returns at once: with data, or 0 at the end.
    ssize_t got = ::read(m_fd, buffer, sizeof buffer);
    if (got < 0 && (errno == EINTR || errno == EAGAIN))
        return;
    if (got <= 0) {
        // A last line without its line break still counts.
        if (!m_partial.empty() || m_cut)
            endLine();
        m_eof = true;
        return;
    }
    take(buffer, static_cast<std::size_t>(got));
}

void ServerInput::take(const char* bytes, std::size_t count)
{
    for (std::size_t i = 0; i < count; ++i) {
        char c = bytes[i];
        if (c == '\n') {
            endLine();
        } else if (m_partial.size() < m_maxLine) {
            m_partial += c;
        } else {
            m_cut = true;
        }
    }
}

void ServerInput::endLine()
{
    if (!m_partial.empty() && m_partial.back() == '\r')
        m_partial.pop_back();
    m_lines.push_back(std::move(m_partial));
    m_partial.clear();
    m_cut = false;
}

std::optional<std::string> ServerInput::next()
{
    if (m_lines.empty())
        return std::nullopt;
    std::string line = std::move(m_lines.front());
    m_lines.pop_front();
    return line;
}

} // namespace velmorak::cli
