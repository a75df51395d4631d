#pragma once

#include <memory>
#include <string>

#include "base/Error.h"
#include "record/CPgnGame.h"

namespace velmorak {

// Why a game set up from a position (its FEN tag) cannot be played from there: no king or
// three, a pawn on the last rank, the side not to move in check, ... (the first rule of
// rules/PositionValidation the position breaks), in the words a typed FEN is refused with.
// Succeeds for a game from the standard start and for a possible position.
Status checkSetUpPosition(const CPgnGame& game);

// The first game of the PGN file at `path`, the game a program opened with a file starts
// with (the window handed a file, `velmorak-cli play --pgn`). Fails, saying why, when the
// file cannot be opened, holds no readable game, or its first game is set up from a
// position no game can start from (checkSetUpPosition); such a game is never handed out.
// `moreGames`, when given, tells whether anything but blank space follows the first game
// (a file of several games, opened as a database).
Result<std::unique_ptr<CPgnGame>> readFirstGame(const std::string& path, bool* moreGames = nullptr);

} // namespace velmorak
