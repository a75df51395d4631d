// Turning tapped squares and sensed board states into moves.
#include "Board.h"

namespace velmorak {

Move Board::findMove(Square from, Square to, PieceCode promotion)
{
    // A move of the side not to move is no answer, however legal it would be for that side.
    if (!isOnBoard(from) ||
        !(m_sideToMove == kWhiteSide ? isWhitePiece(m_squares[from])
                                     : isBlackPiece(m_squares[from])))
        return NoMove;
    SquareMoveList list;
    legalMoves(from, list);
    for (Move move : list)
        if (move.to == to && (!move.isPromotion() || move.piece == promotion))
            return move;
    return NoMove;
}

namespace {

// The one move a lookup matches; a promotion counts only as the queen promotion.
class UniqueMove {
public:
    void offer(Move move)
    {
        if (move.isPromotion() && kindOf(move.piece) != kQueen)
            return;
        m_found = m_count == 0 ? move : AmbiguousMove;
        ++m_count;
    }
    Move result() const { return m_count == 0 ? NoMove : m_found; }

private:
    Move m_found = NoMove;
    int m_count = 0;
};

} // namespace

Move Board::uniqueMoveTo(Square to)
{
    UniqueMove unique;
    MoveList moves;
    allLegalMoves(moves);
    for (Move move : moves)
        if (move.to == to)
            unique.offer(move);
    return unique.result();
}

Move Board::uniqueMoveFrom(Square from)
{
    UniqueMove unique;
    MoveList moves;
    allLegalMoves(moves);
    for (Move move : moves)
        if (move.from == from)
            unique.offer(move);
    return unique.result();
}

Move Board::moveReachingSquares(const BoardSquares& target)
{
    MoveList moves;
    allLegalMoves(moves);
    for (Move move : moves) {
        makeMove(move);
        bool reached = m_squares == target;
        unmakeMove();
        if (reached)
            return move;
    }
    return NoMove;
}

namespace {

bool sameOnBoardSquares(const BoardSquares& a, const BoardSquares& b)
{
    for (int square = 0; square < 0x78; ++square)
        if (isOnBoard(square) && a[square] != b[square])
            return false;
    return true;
}

} // namespace

int Board::compareWithHistory(const BoardSquares& target) const
{
    std::size_t length = m_history.size();
    if (length >= 1 && sameOnBoardSquares(m_history[length - 1].squares, target))
        return 1;
    if (length >= 2 && sameOnBoardSquares(m_history[length - 2].squares, target))
        return 2;
    return 0;
}

} // namespace velmorak
