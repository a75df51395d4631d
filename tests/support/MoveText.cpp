#include "support/MoveText.h"

#include <sstream>

#include "rules/CoordinateNotation.h"

namespace velmorak::test {

Move moveIn(const Board& position, std::string_view text)
{
    Board board = position;
    std::size_t cursor = 0;
    return readCoordinateToken(board, text, cursor);
}

Board positionAfter(std::string_view moves)
{
    Board board;
    std::istringstream words { std::string(moves) };
    for (std::string move; words >> move;)
        makeCoordinateMove(board, move);
    return board;
}

} // namespace velmorak::test
