#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "server/ServerDialect.h"

namespace velmorak {

// The end of a game as a server line reports it.
struct ServerGameResult {
    int gameNumber = -1; // -1 when the number field does not read as a game number
    std::string result; // "1-0", "0-1", "1/2-1/2" or "*"
    std::string reason; // "checkmated", "resigns", ..., the server's own words, or ""

    friend bool operator==(const ServerGameResult&, const ServerGameResult&) = default;
};

// Reads `line` with the dialect's result and reason templates (`parseGameResult`): nothing
// when it announces no result.
std::optional<ServerGameResult> parseGameResult(
    std::string_view line, const ServerDialect& dialect);

} // namespace velmorak
