#pragma once

#include <string_view>

namespace velmorak {

// Where the parts of the server session send their lines: the client stamps, ends and
// sends each one; tests record them.
class ServerCommandSink {
public:
    virtual ~ServerCommandSink() = default;
    virtual void sendLine(std::string_view text) = 0;
};

} // namespace velmorak
