#pragma once

#include <string>
#include <vector>

#include "rules/Board.h"

namespace velmorak::test {

// The legal move named in coordinates ("e2e4", "e7e8q"), or NoMove.
Move move(Board& board, const std::string& coordinates);

// Plays legal coordinate moves; fails the test on the first that is not legal.
void play(Board& board, const std::vector<std::string>& moves);

// The moves of a list, of all legal moves, or of one square's pseudo-legal moves, as
// coordinate texts in generation order.
std::vector<std::string> coordinates(const Move* begin, const Move* end);
std::vector<std::string> legalCoordinates(Board& board);
std::vector<std::string> squareCoordinates(const Board& board, const char* square);

// Plays `count` reversible plies (quiet piece moves, no castling, none from a square in
// `frozen`), preferring new positions and never reaching a third repetition; fails the test
// when there is none to play.
void playReversiblePlies(Board& board, int count, const std::vector<Square>& frozen = {});

} // namespace velmorak::test
