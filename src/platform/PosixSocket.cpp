#include "platform/PosixSocket.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <string>
#include <system_error>
#include <thread>

#include <fcntl.h>
#include <netdb.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

namespace velmorak {

namespace {

constexpr int kLowestPort = 1;
constexpr int kHighestPort = 65535;

struct AddressListDeleter {
    void operator()(addrinfo* list) const { ::freeaddrinfo(list); }
};
using AddressList = std::unique_ptr<addrinfo, AddressListDeleter>;

// A lookup shared with the thread that runs it: whoever comes last frees the result.
struct Lookup {
    std::mutex mutex;
    std::condition_variable finished;
    bool done = false;
    bool abandoned = false;
    addrinfo* result = nullptr;
};

addrinfo lookupHints(int flags)
{
    addrinfo hints {};
    hints.ai_family = AF_UNSPEC;
    hints.ai_socktype = SOCK_STREAM;
    hints.ai_flags = flags | AI_NUMERICSERV;
    return hints;
}

void runLookup(
    const std::shared_ptr<Lookup>& lookup, const std::string& host, const std::string& service)
{
    const addrinfo hints = lookupHints(0);
    addrinfo* result = nullptr;
    if (::getaddrinfo(host.c_str(), service.c_str(), &hints, &result) != 0)
        result = nullptr;
    std::lock_guard lock(lookup->mutex);
    if (lookup->abandoned) {
        if (result)
            ::freeaddrinfo(result);
        return;
    }
    lookup->result = result;
    lookup->done = true;
    lookup->finished.notify_one();
}

// The addresses of `host`, or none when it does not resolve within `timeoutMs`. A numeric
// address is taken as it is: asking the name service about it could only fail or wait.
AddressList resolve(const std::string& host, const std::string& service, int timeoutMs)
{
    const addrinfo numericHints = lookupHints(AI_NUMERICHOST);
    addrinfo* numeric = nullptr;
    if (::getaddrinfo(host.c_str(), service.c_str(), &numericHints, &numeric) == 0)
        return AddressList(numeric);

    auto lookup = std::make_shared<Lookup>();
    try {
        std::thread([lookup, host, service] { runLookup(lookup, host, service); }).detach();
    } catch (const std::system_error&) {
        // No thread to spare: look up here, unbounded, rather than not at all.
        runLookup(lookup, host, service);
    }
    std::unique_lock lock(lookup->mutex);
    if (!lookup->finished.wait_for(lock, std::chrono::milliseconds(std::max(timeoutMs, 0)),
            [&] { return lookup->done; })) {
        lookup->abandoned = true;
        return nullptr;
    }
    return AddressList(std::exchange(lookup->result, nullptr));
}

} // namespace

PosixSocket::~PosixSocket()
{
    close();
}

bool PosixSocket::waitUntilReady(int fd, short events, std::int64_t deadline) const
{
    for (;;) {
        const std::int64_t remaining = deadline - m_clock.ticks();
        if (remaining <= 0)
            return false;
        pollfd entry { fd, events, 0 };
        const int ready =
            ::poll(&entry, 1, static_cast<int>(std::min<std::int64_t>(remaining, 1000)));
        if (ready > 0)
            return true;
        if (ready < 0 && errno != EINTR)
            return false;
    }
}

Status PosixSocket::connect(std::string_view hostText, int port, int timeoutMs)
{
    close();
    if (port < kLowestPort || port > kHighestPort)
        return Error { ErrorKind::InvalidInput, std::string(kConnectFailedText) };
    const std::int64_t deadline = m_clock.ticks() + std::max(timeoutMs, 0);

    std::string host(hostText);
    // "[::1]" as in a URL.
    if (host.size() > 2 && host.front() == '[' && host.back() == ']')
        host = host.substr(1, host.size() - 2);
    AddressList addresses;
    if (!host.empty())
        addresses = resolve(host, std::to_string(port), timeoutMs);
    if (!addresses)
        return Error { ErrorKind::NotFound, std::string(kHostNotFoundText) };

    bool opened = false;
    for (const addrinfo* address = addresses.get(); address; address = address->ai_next) {
        const int fd = ::socket(address->ai_family,
            address->ai_socktype | SOCK_NONBLOCK | SOCK_CLOEXEC, address->ai_protocol);
        if (fd == -1)
            continue;
        opened = true;
        int result = ::connect(fd, address->ai_addr, address->ai_addrlen);
        if (result != 0 && errno == EINPROGRESS) {
            result = -1;
            int error = 0;
            socklen_t length = sizeof error;
            if (waitUntilReady(fd, POLLOUT, deadline) &&
                ::getsockopt(fd, SOL_SOCKET, SO_ERROR, &error, &length) == 0 && error == 0)
                result = 0;
        }
        if (result == 0) {
            // Moves are single short lines: send each at once.
            const int on = 1;
            ::setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);
            m_fd = fd;
            return {};
        }
        ::close(fd);
        if (m_clock.ticks() >= deadline)
            break;
    }
    return Error { ErrorKind::Io, std::string(opened ? kConnectFailedText : kNoSocketText) };
}

Status PosixSocket::send(std::string_view bytes, std::size_t& sent, int timeoutMs)
{
    sent = 0;
    if (m_fd == -1)
        return Error { ErrorKind::Io, "not connected to a chess server" };
    const std::int64_t deadline = m_clock.ticks() + std::max(timeoutMs, 0);
    while (sent < bytes.size()) {
        // MSG_NOSIGNAL: a connection the server closed must not end the program before it
        // saves the game and the settings.
        const ssize_t result = ::send(m_fd, bytes.data() + sent, bytes.size() - sent, MSG_NOSIGNAL);
        if (result > 0) {
            sent += static_cast<std::size_t>(result);
            continue;
        }
        if (result < 0 && errno == EINTR)
            continue;
        if (result < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
            if (!waitUntilReady(m_fd, POLLOUT, deadline))
                return Error { ErrorKind::Io, "the chess server takes no more data" };
            continue;
        }
        return systemError("send", "to the chess server", result < 0 ? errno : EIO);
    }
    return {};
}

ServerSocket::ReceiveStatus PosixSocket::receive(std::string& into, std::size_t maxBytes)
{
    into.clear();
    if (m_fd == -1)
        return ReceiveStatus::Failed;
    if (maxBytes == 0)
        return ReceiveStatus::Nothing;
    into.resize(maxBytes);
    ssize_t result;
    do
        result = ::recv(m_fd, into.data(), maxBytes, MSG_DONTWAIT);
    while (result < 0 && errno == EINTR);
    const int error = errno;
    into.resize(result > 0 ? static_cast<std::size_t>(result) : 0);
    if (result > 0)
        return ReceiveStatus::Data;
    if (result == 0)
        return ReceiveStatus::Closed;
    return error == EAGAIN || error == EWOULDBLOCK ? ReceiveStatus::Nothing : ReceiveStatus::Failed;
}

void PosixSocket::close()
{
    if (m_fd == -1)
        return;
    ::close(m_fd);
    m_fd = -1;
}

} // namespace velmorak
