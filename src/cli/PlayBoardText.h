#pragma once

#include <string>

namespace velmorak {
class Board;
}

namespace velmorak::cli {

// The position for a person at a terminal: eight lines of eight letters, rank 8 first,
// white pieces in upper case, "." for an empty square; each line ends in '\n'.
std::string playBoardText(const Board& board);

} // namespace velmorak::cli
