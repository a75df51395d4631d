#pragma once

#include <string>
#include <vector>

#include "rules/Board.h"
#include "rules/CoordinateNotation.h"

namespace velmorak::test {

// The legal move named in coordinates ("e2e4", "e7e8q"), or NoMove.
inline Move move(Board& board, const std::string& coordinates)
{
    std::size_t cursor = 0;
    return readCoordinateToken(board, coordinates, cursor);
}

// Plays legal coordinate moves; fails the test on the first that is not legal.
inline void play(Board& board, const std::vector<std::string>& moves)
{
    for (const std::string& text : moves) {
        Move m = move(board, text);
        ASSERT_NE(m, NoMove) << text << " in " << board.fen();
        board.makeMove(m);
    }
}

inline std::vector<std::string> legalCoordinates(Board& board)
{
    MoveList moves;
    board.allLegalMoves(moves);
    std::vector<std::string> texts;
    for (Move m : moves)
        texts.push_back(writeCoordinates(m));
    return texts;
}

} // namespace velmorak::test
