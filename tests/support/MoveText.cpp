#include "support/MoveText.h"

#include "rules/CoordinateNotation.h"

namespace velmorak::test {

Move moveIn(const Board& position, std::string_view text)
{
    Board board = position;
    std::size_t cursor = 0;
    return readCoordinateToken(board, text, cursor);
}

Board positionAfter(std::initializer_list<const char*> moves)
{
    Board board;
    for (const char* move : moves)
        makeCoordinateMove(board, move);
    return board;
}

} // namespace velmorak::test
