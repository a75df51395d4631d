#pragma once

#include <cstddef>
#include <deque>
#include <optional>
#include <string>

namespace velmorak::cli {

// Standard input of `velmorak-cli server`, read on the main thread without ever blocking
// it: read() waits at most the time it is given for bytes (poll(2)), takes what came and
// splits it into lines. The session's waits and questions call it in small steps, so the
// server is polled and the clocks run while the user types nothing (a terminal left open).
//
// A line longer than `maxLine` is cut there and the rest dropped; reading pauses while
// kMaxWaitingLines lines wait to be taken, so a long script waits in the pipe.
class ServerInput {
public:
    static constexpr std::size_t kMaxWaitingLines = 256;

    ServerInput(int fd, std::size_t maxLine);

    // Waits up to `timeoutMs` for input and takes what arrived; when there is nothing to
    // read (the input ended, or enough lines wait) it just lets the time pass.
    void read(int timeoutMs);
    // The next whole line, without its line end (a carriage return before it included).
    std::optional<std::string> next();
    bool hasLine() const { return !m_lines.empty(); }
    // The input ended and every line of it was taken.
    bool ended() const { return m_eof && m_lines.empty(); }

private:
    void take(const char* bytes, std::size_t count);
    void endLine();

    int m_fd;
    std::size_t m_maxLine;
    std::string m_partial;
    bool m_cut = false; // the partial line reached maxLine: the rest of it is dropped
    std::deque<std::string> m_lines;
    bool m_eof = false;
};

} // namespace velmorak::cli
