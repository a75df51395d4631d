#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "rules/Board.h"

namespace velmorak::test {

// The legal move that coordinate text ("e2e4", "e7e8q") names in `position`; NoMove when
// none does.
Move moveIn(const Board& position, std::string_view text);
// The position after coordinate moves ("e2e4 e7e5") from the start position; fails the test
// on the first that is not legal.
Board positionAfter(std::string_view moves);

// Plays legal coordinate moves; fails the test on the first that is not legal.
void play(Board& board, const std::vector<std::string>& moves);

// The moves of all legal moves, or of one square's pseudo-legal moves, as coordinate texts
// in generation order.
std::vector<std::string> legalCoordinates(Board& board);
std::vector<std::string> squareCoordinates(const Board& board, const char* square);

// Plays `count` reversible plies (quiet piece moves, no castling, none from a square in
// `frozen`), preferring new positions and never reaching a third repetition; fails the test
// when there is none to play.
void playReversiblePlies(Board& board, int count, const std::vector<Square>& frozen = {});

} // namespace velmorak::test
