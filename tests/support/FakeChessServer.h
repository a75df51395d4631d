#pragma once

#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "support/LoopbackListener.h"

namespace velmorak::test {

// The server's end of one chess-server connection on loopback TCP, for scripted sessions:
// it reads the client's lines (deciphering timeseal when told to), records them, and
// answers each line the script expects with the script's reply, in script order.
class FakeChessServer {
public:
    explicit FakeChessServer(bool timeseal, const std::string& address = "127.0.0.1");
    ~FakeChessServer();
    FakeChessServer(const FakeChessServer&) = delete;
    FakeChessServer& operator=(const FakeChessServer&) = delete;

    bool isOpen() const { return m_listener.isOpen(); }
    int port() const { return m_listener.port(); }
    // Takes the client's connection (the client connects first; the backlog holds it).
    bool accept(int timeoutMs = 5000);

    // When the client sends `line`, the server sends `reply` (as it is: line ends included).
    void expect(std::string line, std::string reply);
    void send(std::string_view bytes);
    // Closes the server's end: the client sees the connection closed.
    void hangUp();

    // Reads what arrived within `timeoutMs`, records each line and answers the script.
    void serve(int timeoutMs = 20);
    // Every line received so far, in order; a stamped line that does not decipher is
    // recorded as "<undecodable>".
    const std::vector<std::string>& received() const { return m_received; }
    // Script lines not yet seen.
    std::size_t pending() const { return m_script.size() - m_next; }

private:
    LoopbackListener m_listener;
    bool m_timeseal;
    int m_fd = -1;
    std::string m_buffer;
    std::vector<std::pair<std::string, std::string>> m_script;
    std::size_t m_next = 0;
    std::vector<std::string> m_received;
};

} // namespace velmorak::test
