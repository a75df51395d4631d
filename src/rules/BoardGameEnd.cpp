// The game-end test: mate, stalemate, repetition, fifty moves, insufficient material.
#include "Board.h"

namespace velmorak {

namespace {

constexpr int kRepetitionsForDraw = 2; // earlier occurrences: the third time is a draw
constexpr int kReversiblePliesForDraw = 100;

bool isReversiblePly(Move move)
{
    return move.isQuiet() && !isPawn(move.piece);
}

} // namespace

bool Board::samePosition(const BoardSnapshot& current, BoardSnapshot& older) const
{
    // Look first where this snapshot differed last time: in a walk over a game most
    // positions differ on that square, so the comparison ends after one byte.
    Square hint = older.firstDifferingSquare;
    if (current.squares[hint] != older.squares[hint] || current.sideToMove != older.sideToMove)
        return false;
    for (int square = 0; square < 0x78; ++square) {
        if (isOnBoard(square) && current.squares[square] != older.squares[square]) {
            older.firstDifferingSquare = static_cast<std::uint8_t>(square);
            return false;
        }
    }
    return current.castlingRights == older.castlingRights &&
        current.enPassantSquare == older.enPassantSquare;
}

GameEndCode Board::gameEnd()
{
    bool inCheck = isInCheck();
    if (!hasLegalMove())
        return inCheck ? GameEndCode::Checkmate : GameEndCode::Stalemate;

    BoardSnapshot current;
    current.squares = m_squares;
    current.sideToMove = m_sideToMove;
    current.castlingRights = m_castlingRights;
    current.enPassantSquare = m_enPassantSquare;

    int repetitions = 0;
    int reversiblePlies = 0;
    for (std::size_t i = m_history.size(); i-- > 0;) {
        BoardSnapshot& older = m_history[i];
        if (samePosition(current, older) && ++repetitions == kRepetitionsForDraw)
            return GameEndCode::ThreefoldRepetition;
        if (!isReversiblePly(older.move))
            break;
        if (++reversiblePlies == kReversiblePliesForDraw)
            return GameEndCode::FiftyMoveRule;
    }

    int count[14] = {};
    for (int square = 0; square < 0x78; ++square)
        if (isOnBoard(square) && m_squares[square] < 14)
            ++count[m_squares[square]];
    bool heavyOrPawn = count[kWhiteQueen] + count[kWhiteRook] + count[kWhitePawn] +
            count[kBlackQueen] + count[kBlackRook] + count[kBlackPawn] >
        0;
    if (!heavyOrPawn && count[kWhiteBishop] + count[kWhiteKnight] <= 1 &&
        count[kBlackBishop] + count[kBlackKnight] <= 1)
        return GameEndCode::InsufficientMaterial;
    return GameEndCode::None;
}

} // namespace velmorak
