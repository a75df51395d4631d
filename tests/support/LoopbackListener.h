#pragma once

#include <string>

namespace velmorak::test {

// A listening TCP socket on a loopback address and a free port, for tests that play the
// server: accept() takes one connection, then the test reads and writes the peer's side.
class LoopbackListener {
public:
    // `address` is "127.0.0.1" or "::1"; isOpen() is false when the system offers no such
    // address (no IPv6).
    explicit LoopbackListener(const std::string& address = "127.0.0.1", int backlog = 8);
    ~LoopbackListener();
    LoopbackListener(const LoopbackListener&) = delete;
    LoopbackListener& operator=(const LoopbackListener&) = delete;

    bool isOpen() const { return m_fd != -1; }
    int port() const { return m_port; }
    // The accepted connection's descriptor (the caller closes it), or -1 when none came
    // within `timeoutMs`.
    int accept(int timeoutMs = 5000);
    void close();

    // Reads from `fd` until `count` bytes came, the peer closed or `timeoutMs` passed.
    static std::string readBytes(int fd, std::size_t count, int timeoutMs = 5000);
    // Writes all of `bytes` (blocking), false when the peer is gone.
    static bool writeBytes(int fd, const std::string& bytes);

private:
    int m_fd = -1;
    int m_port = 0;
};

} // namespace velmorak::test
