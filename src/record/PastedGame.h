#pragma once

#include <memory>
#include <string_view>

#include "base/Error.h"
#include "record/CPgnGame.h"

namespace velmorak {

// The game pasted text stands for: a position in FEN (one line) starts a game from it, a
// game in PGN is read as the first game of a file would be. Fails, saying why, for text that
// is neither, and for a position no game can start from (whether typed as FEN or as the
// FEN tag of a game).
Result<std::unique_ptr<CPgnGame>> gameFromPastedText(std::string_view text);

} // namespace velmorak
