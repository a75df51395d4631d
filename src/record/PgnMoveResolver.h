#pragma once

#include <string_view>

#include "rules/Board.h"
#include "rules/Move.h"

namespace velmorak {

// Resolves a movetext symbol to a legal move of the side to move: the common shapes of
// SAN (castling, piece moves with or without disambiguation, pawn pushes, captures and
// promotions) are matched against the legal moves of the one or two squares they can come
// from; anything else, and any text that does not name exactly one legal move that way,
// goes to the tolerant SAN reader of the rules. The result is the one readSan gives for
// every text, only faster. NoMove when the text names no legal move.
Move resolvePgnMove(Board& board, std::string_view symbol);

// The shortcut alone: the move, or NoMove when the text is not one it decides.
Move resolvePgnMoveShortcut(Board& board, std::string_view symbol);

// The SAN a null move is stored and written with.
inline constexpr std::string_view kNullMoveSan = "--";

// Spellings of moves that other programs write and the SAN reader does not take: the null
// move "--" or "Z0" (not while in check), castling written as the king's move ("Kg1",
// "Ke1-g1"), and coordinate promotions ("e7e8q", "e7-e8=Q"). Check and annotation marks may
// follow. The legal move meant (NullMove for a null move), or NoMove.
Move resolveUnusualMove(Board& board, std::string_view symbol);

} // namespace velmorak
