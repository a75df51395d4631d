#pragma once

#include <string_view>

namespace velmorak {

// Where the server's models hand the lines they send: the client adds the line end, the
// stamp and the retry. One line per call, without its terminator.
class ServerCommandSink {
public:
    virtual ~ServerCommandSink() = default;
    virtual void sendLine(std::string_view text) = 0;
};

} // namespace velmorak
