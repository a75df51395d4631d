#include "support/LoopbackListener.h"

#include <algorithm>
#include <chrono>
#include <cstring>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

namespace velmorak::test {

LoopbackListener::LoopbackListener(const std::string& address, int backlog)
{
    sockaddr_storage storage {};
    socklen_t length = 0;
    const bool v6 = address.find(':') != std::string::npos;
    if (v6) {
        auto* in6 = reinterpret_cast<sockaddr_in6*>(&storage);
        in6->sin6_family = AF_INET6;
        if (::inet_pton(AF_INET6, address.c_str(), &in6->sin6_addr) != 1)
            return;
        length = sizeof *in6;
    } else {
        auto* in4 = reinterpret_cast<sockaddr_in*>(&storage);
        in4->sin_family = AF_INET;
        if (::inet_pton(AF_INET, address.c_str(), &in4->sin_addr) != 1)
            return;
        length = sizeof *in4;
    }
    m_fd = ::socket(v6 ? AF_INET6 : AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (m_fd == -1)
        return;
    if (::bind(m_fd, reinterpret_cast<sockaddr*>(&storage), length) != 0 ||
        ::listen(m_fd, backlog) != 0 ||
        ::getsockname(m_fd, reinterpret_cast<sockaddr*>(&storage), &length) != 0) {
        close();
        return;
    }
    m_port = ntohs(v6 ? reinterpret_cast<sockaddr_in6*>(&storage)->sin6_port
                      : reinterpret_cast<sockaddr_in*>(&storage)->sin_port);
}

LoopbackListener::~LoopbackListener()
{
    close();
}

void LoopbackListener::close()
{
    if (m_fd != -1)
        ::close(m_fd);
    m_fd = -1;
}

int LoopbackListener::accept(int timeoutMs)
{
    pollfd entry { m_fd, POLLIN, 0 };
    if (m_fd == -1 || ::poll(&entry, 1, timeoutMs) != 1)
        return -1;
    return ::accept4(m_fd, nullptr, nullptr, SOCK_CLOEXEC);
}

std::string LoopbackListener::readBytes(int fd, std::size_t count, int timeoutMs)
{
    using Clock = std::chrono::steady_clock;
    const auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
    std::string bytes;
    char buffer[65536];
    while (bytes.size() < count) {
        const auto left =
            std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
        pollfd entry { fd, POLLIN, 0 };
        if (left.count() <= 0 || ::poll(&entry, 1, static_cast<int>(left.count())) != 1)
            break;
        const ssize_t got = ::recv(fd, buffer, std::min(sizeof buffer, count - bytes.size()), 0);
        if (got <= 0)
            break;
        bytes.append(buffer, static_cast<std::size_t>(got));
    }
    return bytes;
}

bool LoopbackListener::writeBytes(int fd, const std::string& bytes)
{
    std::size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t put = ::send(fd, bytes.data() + done, bytes.size() - done, MSG_NOSIGNAL);
        if (put <= 0)
            return false;
        done += static_cast<std::size_t>(put);
    }
    return true;
}

} // namespace velmorak::test
