#include "support/FakeChessServer.h"

#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include "support/TimesealDecoder.h"

namespace velmorak::test {

FakeChessServer::FakeChessServer(bool timeseal, const std::string& address)
    : m_listener(address)
    , m_timeseal(timeseal)
{
}

FakeChessServer::~FakeChessServer()
{
    hangUp();
}

bool FakeChessServer::accept(int timeoutMs)
{
    m_fd = m_listener.accept(timeoutMs);
    return m_fd != -1;
}

void FakeChessServer::expect(std::string line, std::string reply)
{
    m_script.emplace_back(std::move(line), std::move(reply));
}

void FakeChessServer::send(std::string_view bytes)
{
    if (m_fd != -1) {
        LoopbackListener::writeBytes(m_fd, std::string(bytes));
    }
}

void FakeChessServer::hangUp()
{
    if (m_fd != -1) {
        ::close(m_fd);
        m_fd = -1;
    }
}

void FakeChessServer::serve(int timeoutMs)
{
    if (m_fd == -1) {
        return;
    }
    pollfd entry { m_fd, POLLIN, 0 };
    int wait = timeoutMs;
    while (::poll(&entry, 1, wait) == 1) {
        char chunk[4096];
        const ssize_t got = ::recv(m_fd, chunk, sizeof chunk, MSG_DONTWAIT);
        if (got <= 0) {
            break;
        }
        m_buffer.append(chunk, static_cast<std::size_t>(got));
        wait = 0;
    }
    std::size_t end;
    while ((end = m_buffer.find('\n')) != std::string::npos) {
        std::string line = m_buffer.substr(0, end);
        m_buffer.erase(0, end + 1);
        if (m_timeseal) {
            const auto decoded = decodeTimeseal(line);
            line = decoded ? decoded->text : "<undecodable>";
        }
        m_received.push_back(line);
        if (m_next < m_script.size() && m_script[m_next].first == line) {
            send(m_script[m_next].second);
            ++m_next;
        }
    }
}

} // namespace velmorak::test
