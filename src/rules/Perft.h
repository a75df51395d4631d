#pragma once

#include <cstdint>
#include <utility>
#include <vector>

#include "Board.h"
#include "Move.h"

namespace velmorak {

// Number of leaf positions reached by all legal move sequences of `depth` plies.
std::uint64_t perft(Board& board, int depth);

// The perft count below each legal root move, in generation order.
std::vector<std::pair<Move, std::uint64_t>> perftDivide(Board& board, int depth);

} // namespace velmorak
