#pragma once

#include <optional>
#include <string>

#include "CliCommand.h"
#include "base/Error.h"

namespace velmorak::cli {

enum class PlaySide { Human, Engine };

// The options of `velmorak-cli play`, checked as far as they can be without files or the
// engine: a position given by --fen is a valid set-up position, the level text is kept for
// the level parser.
struct PlayOptions {
    PlaySide white = PlaySide::Human;
    PlaySide black = PlaySide::Engine;
    std::optional<std::string> level;
    // Empty: the default plug-in.
    std::string engine;
    std::optional<std::string> fen;
    std::optional<std::string> pgn;
    std::optional<std::string> save;
    std::optional<std::string> settings;
    bool restore = false;
};

// Fails with the message to print after "velmorak-cli play: " (the caller exits with
// kExitUsage).
Result<PlayOptions> parsePlayOptions(const CliArgs& args);

} // namespace velmorak::cli
