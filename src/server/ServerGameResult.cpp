#include "server/ServerGameResult.h"

#include <array>
#include <charconv>
#include <climits>
#include <utility>

#include "server/ServerPattern.h"

namespace velmorak {
namespace {

// Game numbers are positive; "+5" or "--" or a number past int are not game numbers.
int readGameNumber(std::string_view text)
{
    int value = -1;
    auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc() || end != text.data() + text.size() || value < 0)
        return -1;
    return value;
}

} // namespace

std::optional<ServerGameResult> parseGameResult(std::string_view line, const ServerDialect& dialect)
{
    const std::array<std::pair<const std::string*, const char*>, 4> results { {
        { &dialect.sResultWhite, "1-0" },
        { &dialect.sResultBlack, "0-1" },
        { &dialect.sResultDraw, "1/2-1/2" },
        { &dialect.sResultNone, "*" },
    } };
    PatternCaptures captures;
    std::optional<ServerGameResult> found;
    for (const auto& [pattern, result] : results)
        if (matchPattern(line, *pattern, captures)) {
            found.emplace();
            found->result = result;
            found->gameNumber = readGameNumber(captures[0]);
            break;
        }
    if (!found)
        return found;

    const std::array<std::pair<const std::string*, const char*>, 8> reasons { {
        { &dialect.sReasonMate, "checkmated" },
        { &dialect.sReasonResign, "resigns" },
        { &dialect.sReasonTime, "forfeits on time" },
        { &dialect.sReasonBothTime, "both players ran out of time" },
        { &dialect.sReasonDisconnect, "forfeits by disconnection" },
        { &dialect.sReasonLostAdjourned, "lost contact, game adjourned" },
        { &dialect.sReasonMutualAdjourn, "mutual adjourn" },
        { &dialect.sReasonLostAborted, "lost contact, game aborted" },
    } };
    for (const auto& [pattern, reason] : reasons)
        if (matchPattern(line, *pattern, captures)) {
            found->reason = reason;
            return found;
        }
    if (matchPattern(line, dialect.sReasonOther, captures))
        found->reason = captures[0];
    return found;
}

} // namespace velmorak
