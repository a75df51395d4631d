#pragma once

#include <mutex>
#include <ostream>
#include <string_view>

namespace velmorak::cli {

// The event stream of `velmorak-cli play`: one event a line, flushed as it is written so a
// script reading the pipe sees each event at once. Safe from any thread; a line is never
// split by another. Line breaks and tabs inside a text (a message of several lines) become
// blanks, other control bytes '?', so no text can end an event early or drive a terminal.
class PlayOutput {
public:
    explicit PlayOutput(std::ostream& out)
        : m_out(out)
    {
    }

    void line(std::string_view kind, std::string_view text);
    // Text written as it is (the board, the PGN of the game), then flushed.
    void block(std::string_view text);

private:
    std::mutex m_mutex;
    std::ostream& m_out;
};

} // namespace velmorak::cli
