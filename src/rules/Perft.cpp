#include "Perft.h"

namespace velmorak {

std::uint64_t perft(Board& board, int depth)
{
    if (depth <= 0)
        return 1;
    // The last ply is counted without being made: the legality test has already made it.
    if (depth == 1)
        return board.legalMoveCount();
    MoveList moves;
    board.allLegalMoves(moves);
    std::uint64_t nodes = 0;
    for (Move move : moves) {
        board.makeMove(move);
        nodes += perft(board, depth - 1);
        board.unmakeMove();
    }
    return nodes;
}

std::vector<std::pair<Move, std::uint64_t>> perftDivide(Board& board, int depth)
{
    std::vector<std::pair<Move, std::uint64_t>> result;
    if (depth <= 0)
        return result;
    MoveList moves;
    board.allLegalMoves(moves);
    for (Move move : moves) {
        board.makeMove(move);
        result.emplace_back(move, perft(board, depth - 1));
        board.unmakeMove();
    }
    return result;
}

} // namespace velmorak
