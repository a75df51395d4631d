#include "record/PastedGame.h"

#include <string>

#include "record/CPgnParser.h"
#include "record/FenGame.h"
#include "record/FirstGame.h"
#include "record/PgnInput.h"

namespace velmorak {

namespace {

constexpr std::string_view kBlanks = " \t\r\n";

std::string_view trimmed(std::string_view text)
{
    std::size_t first = text.find_first_not_of(kBlanks);
    if (first == std::string_view::npos)
        return {};
    return text.substr(first, text.find_last_not_of(kBlanks) - first + 1);
}

Error notAGame(std::string_view why)
{
    return Error { ErrorKind::InvalidInput,
        "Nothing to paste: the text is neither a game in PGN nor a position in FEN (" +
            std::string(why) + ")" };
}

} // namespace

Result<std::unique_ptr<CPgnGame>> gameFromPastedText(std::string_view text)
{
    std::string_view pasted = trimmed(text);
    if (pasted.empty())
        return notAGame("no text");
    std::unique_ptr<CPgnGame> game;
    if (pasted.find('\n') == std::string_view::npos && looksLikeFen(pasted)) {
        game = gameFromFen(std::string(pasted));
    } else {
        PgnInput input;
        input.openText(pasted);
        CPgnParser parser;
        std::int64_t end = 0;
        if (!parser.readGame(input, 0, end, game) || !game) {
            const PgnReadError& error = parser.lastError();
            std::string why = error.reason;
            if (!error.text.empty())
                why += " '" + error.text + "'";
            return notAGame(why);
        }
    }
    if (Status playable = checkSetUpPosition(*game); !playable)
        return Error { ErrorKind::InvalidInput, "Nothing to paste: " + playable.error().message };
    return game;
}

} // namespace velmorak
