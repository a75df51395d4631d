#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace velmorak {

// One item read from a chess server: a complete line, or the server's request for a
// timeseal answer ("[G]"), which the client answers at once and never shows.
struct ServerInput {
    enum class Kind { Line, TimesealRequest };
    Kind kind = Kind::Line;
    std::string text; // the line without its line break; empty for a request

    friend bool operator==(const ServerInput&, const ServerInput&) = default;
};

// Turns the bytes a chess server sends, in whatever pieces the socket delivers them, into
// whole lines in arrival order. The lines are the same however the bytes are cut.
//
// - Carriage returns and stray NUL bytes are dropped; a newline ends a line.
// - The prompt ("fics% "), which the server sends without a line break, is a line of its
//   own as soon as its last byte arrives at the start of a line; what follows it on the same
//   line is the next line.
// - A line of kLongLineLength characters or more (a style-12 board excepted) is held back,
//   because the server may continue it: a line starting with a backslash is appended to it,
//   without the backslash and at most two blanks after it. A held line is delivered when the
//   next line that is no continuation arrives (every answer ends with a prompt, which flushes
//   it).
// - With timeseal on, "[G]" as a whole line, or "[G]" followed by a NUL byte anywhere, is a
//   TimesealRequest instead of text.
// - A line longer than kMaxLineLength is cut there.
class ServerLineAssembler {
public:
    static constexpr std::size_t kLongLineLength = 70;
    // No server line is anywhere near this; it bounds what a broken or hostile server costs.
    static constexpr std::size_t kMaxLineLength = 16 * 1024;

    // `prompt` with its trailing blank; empty for none.
    explicit ServerLineAssembler(std::string prompt = {}, bool timesealRequests = false);

    void setPrompt(std::string prompt);
    void setTimesealRequests(bool on) { m_timeseal = on; }

    void splitServerText(std::string_view bytes);
    // The oldest item not taken yet.
    std::optional<ServerInput> take();
    bool hasInput() const { return m_next < m_queue.size(); }
    // Ends the partial line as its line end would: a prompt the user has answered, whose
    // line end the server never sends, must not run into the next line.
    void endPartialLine()
    {
        if (!m_partial.empty())
            endLine();
    }
    // Forgets the partial line, the held long line and every item not taken: nothing of one
    // connection reaches the next.
    void reset();

private:
    void endLine();
    void queueServerLine(std::string line);
    void queueRequest();

    std::string m_prompt;
    bool m_timeseal = false;
    std::string m_partial;
    bool m_cutting = false; // the partial line reached kMaxLineLength; its rest is dropped
    std::string m_cutTail; // the last bytes dropped from a cut line, up to "[G]"'s length
    std::string m_longLine;
    std::vector<ServerInput> m_queue;
    std::size_t m_next = 0;
};

} // namespace velmorak
