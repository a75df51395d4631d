#pragma once

#include "base/Clock.h"
#include "server/ServerSocket.h"

namespace velmorak {

// The chess-server connection over BSD sockets, IPv4 and IPv6. Host names are resolved by
// getaddrinfo on a helper thread, so that a lookup hanging on an unreachable name server
// still ends within the connect time (the thread is left to finish on its own). The socket is
// non-blocking once connected.
class PosixSocket final : public ServerSocket {
public:
    explicit PosixSocket(Clock& clock = systemClock())
        : m_clock(clock)
    {
    }
    ~PosixSocket() override;
    PosixSocket(const PosixSocket&) = delete;
    PosixSocket& operator=(const PosixSocket&) = delete;

    Status connect(std::string_view host, int port, int timeoutMs = kConnectTimeoutMs) override;
    bool isOpen() const override { return m_fd != -1; }
    Status send(std::string_view bytes, std::size_t& sent, int timeoutMs) override;
    ReceiveStatus receive(std::string& into, std::size_t maxBytes) override;
    void close() override;

private:
    // Waits until the socket is ready for `events` or `deadline` (in ticks) passes.
    bool waitUntilReady(int fd, short events, std::int64_t deadline) const;

    Clock& m_clock;
    int m_fd = -1;
};

} // namespace velmorak
