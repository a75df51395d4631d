#pragma once

#include <cstddef>
#include <string>
#include <string_view>

#include "Board.h"
#include "Move.h"

namespace velmorak {

// "e2e4", "e7e8q"; NullMove writes as "null", the text makeCoordinateMove reads back.
std::string writeCoordinates(Move move);

// Plays a move given as coordinates ("e2e4", "e7e8q", "null" in any case) without a
// legality test: the text comes from an engine or from stored game moves. Castling, en
// passant and promotion are recognised from the board. Returns the reversible-move result
// of Board::makeMove; text that names no on-board squares leaves the board unchanged and
// returns false.
bool makeCoordinateMove(Board& board, std::string_view text);

// Reads one move of a blank-separated line such as an engine's principal variation,
// starting at `cursor` and advancing it past the move. Returns the legal move named, or
// NoMove (also when fewer than four characters remain or they name no squares).
Move readCoordinateToken(Board& board, std::string_view text, std::size_t& cursor);

} // namespace velmorak
