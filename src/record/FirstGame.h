#pragma once

#include <memory>
#include <string>

#include "base/Error.h"
#include "record/CPgnGame.h"

namespace velmorak {

// The first game of the PGN file at `path`, the game a program opened with a file starts
// with (the window handed a file, `velmorak-cli play --pgn`). Fails, saying why, when the
// file cannot be opened or holds no readable game.
Result<std::unique_ptr<CPgnGame>> readFirstGame(const std::string& path);

} // namespace velmorak
