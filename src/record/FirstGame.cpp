#include "record/FirstGame.h"

#include <cctype>
#include <fstream>

#include "record/CPgnParser.h"
#include "record/PgnInput.h"
#include "rules/PositionValidation.h"

namespace velmorak {

Status checkSetUpPosition(const CPgnGame& game)
{
    const std::string& fen = game.getTag("FEN");
    if (fen.empty())
        return {};
    Board board(fen);
    PositionFault fault = firstPositionFault(board);
    if (fault == PositionFault::None)
        return {};
    return Error { ErrorKind::InvalidInput,
        "the set-up position cannot start a game: " + std::string(positionFaultText(fault)) };
}

namespace {

bool textFollows(const std::string& path, std::int64_t offset)
{
    std::ifstream file(path, std::ios::binary);
    file.seekg(offset);
    char c = 0;
    while (file.get(c))
        if (!std::isspace(static_cast<unsigned char>(c)))
            return true;
    return false;
}

} // namespace

Result<std::unique_ptr<CPgnGame>> readFirstGame(const std::string& path, bool* moreGames)
{
    PgnInput input;
    if (!input.openFile(path))
        return Error { ErrorKind::NotFound, "cannot open " + path };
    CPgnParser parser;
    std::int64_t end = 0;
    std::unique_ptr<CPgnGame> game;
    if (!parser.readGame(input, 0, end, game) || !game) {
        const PgnReadError& error = parser.lastError();
        return Error { ErrorKind::InvalidInput,
            "no game could be read from " + path + ": " + error.reason +
                (error.text.empty() ? "" : " '" + error.text + "'") + " at offset " +
                std::to_string(error.offset) };
    }
    if (Status playable = checkSetUpPosition(*game); !playable)
        return Error { ErrorKind::InvalidInput,
            "the first game of " + path + ": " + playable.error().message };
    if (moreGames)
        *moreGames = textFollows(path, end);
    return game;
}

} // namespace velmorak
