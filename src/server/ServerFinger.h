#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "server/ServerDialect.h"
#include "server/ServerDispatcher.h"
#include "server/ServerLineHandler.h"

namespace velmorak {

class ServerCommandSink;

// The lines of the last finger answer.
class ServerFinger {
public:
    explicit ServerFinger(const ServerDialect& dialect);

    // Fingers `name` (the user for an empty one) unless an answer is arriving already;
    // the lines put aside by addSeparator() stay.
    bool request(std::string_view name, ServerReceiveFlags& flags, ServerCommandSink& sink);
    bool handle(const ServerLineEvent& event);
    const std::vector<std::string>& lines() const { return m_lines; }
    // Forgets every line, those put aside included.
    void clear();
    // Puts the lines aside and starts anew, for the second player of a game: the lines
    // read so far, then an empty line, a rule and an empty line.
    void addSeparator();
    // The lines as the finger dialog shows them, joined with "\r\n".
    std::string text() const;

private:
    const ServerDialect& m_dialect;
    std::vector<std::string> m_lines;
    std::vector<std::string> m_kept;
};

} // namespace velmorak
