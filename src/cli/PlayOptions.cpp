#include "PlayOptions.h"

#include "CliArguments.h"
#include "CliFen.h"
#include "app/LevelRecord.h"
#include "rules/Board.h"
#include "rules/PositionValidation.h"

namespace velmorak::cli {

namespace {

Error usageError(std::string message)
{
    return Error { ErrorKind::InvalidInput, std::move(message) };
}

Result<PlaySide> readSide(const CliArguments& parsed, std::string_view name, PlaySide fallback)
{
    std::optional<std::string> value = parsed.value(name);
    if (!value)
        return fallback;
    if (*value == "human")
        return PlaySide::Human;
    if (*value == "engine")
        return PlaySide::Engine;
    return usageError(
        "--" + std::string(name) + " must be 'human' or 'engine', not '" + *value + "'");
}

// An option given with an empty value would silently mean "none"; say so instead.
Status checkNotEmpty(const CliArguments& parsed, std::string_view name)
{
    std::optional<std::string> value = parsed.value(name);
    if (value && value->empty())
        return usageError("--" + std::string(name) + " needs a value");
    return {};
}

} // namespace

Result<PlayOptions> parsePlayOptions(const CliArgs& args)
{
    CliArguments parsed(args, "white black level engine fen pgn save settings", "restore");
    if (!parsed.error().empty())
        return usageError(parsed.error());
    if (!parsed.positional().empty())
        return usageError("unexpected argument '" + parsed.positional().front() +
            "'; moves are typed on standard input");
    for (std::string_view name : { "level", "engine", "fen", "pgn", "save", "settings" })
        if (Status status = checkNotEmpty(parsed, name); !status)
            return status.error();

    PlayOptions options;
    Result<PlaySide> white = readSide(parsed, "white", PlaySide::Human);
    if (!white)
        return white.error();
    Result<PlaySide> black = readSide(parsed, "black", PlaySide::Engine);
    if (!black)
        return black.error();
    options.white = *white;
    options.black = *black;
    options.level = parsed.value("level");
    options.engine = parsed.value("engine").value_or("");
    options.fen = parsed.value("fen");
    options.pgn = parsed.value("pgn");
    options.save = parsed.value("save");
    options.settings = parsed.value("settings");
    options.restore = parsed.flag("restore");

    int starts = int(options.fen.has_value()) + int(options.pgn.has_value()) + int(options.restore);
    if (starts > 1)
        return usageError("give only one of --fen, --pgn and --restore");
    if (options.fen) {
        if (!looksLikeFen(*options.fen))
            return usageError(notAFenMessage(*options.fen));
        Board board(*options.fen);
        if (PositionFault fault = firstPositionFault(board); fault != PositionFault::None)
            return usageError("the position of --fen cannot start a game: " +
                std::string(positionFaultText(fault)));
    }
    if (options.level) {
        // Checked against the default level here; the level the game uses is the stored one
        // changed by the text, which parses the same way.
        Result<LevelRecord> level = parseLevelSpec(*options.level, LevelRecord {});
        if (!level)
            return usageError("--level: " + level.error().message);
    }
    return options;
}

} // namespace velmorak::cli
