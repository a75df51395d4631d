#include "record/FirstGame.h"

#include "record/CPgnParser.h"
#include "record/PgnInput.h"

namespace velmorak {

Result<std::unique_ptr<CPgnGame>> readFirstGame(const std::string& path)
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
    return game;
}

} // namespace velmorak
