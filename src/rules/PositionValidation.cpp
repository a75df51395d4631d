#include "PositionValidation.h"

namespace velmorak {

namespace {

constexpr int kMaxMenPerSide = 16;
constexpr int kMaxPawnsPerSide = 8;
// With every pawn promoted a side has at most 10 knights, bishops or rooks (2 + 8)
// and 9 queens (1 + 8): a piece of a kind beyond its pair stands for a missing pawn.
constexpr int kMaxMinorOrRookPlusPawns = 10;
constexpr int kMaxQueensPlusPawns = 9;

bool enPassantSquareUsable(const Board& board)
{
    Square ep = board.enPassantSquare();
    if (ep == 0 || !isOnBoard(ep))
        return true;
    if (board.sideToMove() == kWhiteSide)
        return rankOf(ep) == 5 && board.pieceAt(static_cast<Square>(ep - 1)) == kBlackPawn;
    return rankOf(ep) == 2 && board.pieceAt(static_cast<Square>(ep + 1)) == kWhitePawn;
}

bool castlingRightsBacked(const Board& board)
{
    std::uint8_t rights = board.castlingRights();
    auto at = [&](Square square, PieceCode piece) { return board.pieceAt(square) == piece; };
    if ((rights & kWhiteShortRight) && !(at(0x40, kWhiteKing) && at(0x70, kWhiteRook)))
        return false;
    if ((rights & kWhiteLongRight) && !(at(0x40, kWhiteKing) && at(0x00, kWhiteRook)))
        return false;
    if ((rights & kBlackShortRight) && !(at(0x47, kBlackKing) && at(0x77, kBlackRook)))
        return false;
    if ((rights & kBlackLongRight) && !(at(0x47, kBlackKing) && at(0x07, kBlackRook)))
        return false;
    return true;
}

PositionFault materialFault(const Board& board)
{
    int count[16] = {};
    for (int square = 0; square < 0x78; ++square)
        if (isOnBoard(square))
            ++count[board.pieceAt(static_cast<Square>(square)) & 15];
    if (count[kWhiteKing] != 1 || count[kBlackKing] != 1)
        return PositionFault::KingCount;
    for (int side = 0; side < 2; ++side) {
        auto n = [&](int kind) { return count[pieceOf(kind, side)]; };
        int men = n(kKing) + n(kBishop) + n(kKnight) + n(kRook) + n(kPawn) + n(kQueen);
        if (men > kMaxMenPerSide)
            return PositionFault::TooManyMen;
        if (n(kPawn) > kMaxPawnsPerSide)
            return PositionFault::TooManyPawns;
        if (n(kKnight) + n(kPawn) > kMaxMinorOrRookPlusPawns ||
            n(kBishop) + n(kPawn) > kMaxMinorOrRookPlusPawns ||
            n(kRook) + n(kPawn) > kMaxMinorOrRookPlusPawns ||
            n(kQueen) + n(kPawn) > kMaxQueensPlusPawns)
            return PositionFault::TooManyPromotedPieces;
    }
    return PositionFault::None;
}

bool pawnOnBackRank(const Board& board)
{
    for (int file = 0; file < 8; ++file)
        for (int rank : { 0, 7 })
            if (isPawn(board.pieceAt(makeSquare(file, rank))))
                return true;
    return false;
}

} // namespace

PositionFault firstPositionFault(Board& board)
{
    if (!enPassantSquareUsable(board))
        return PositionFault::EnPassantWithoutPawn;
    if (!castlingRightsBacked(board))
        return PositionFault::CastlingWithoutKingAndRook;
    if (PositionFault fault = materialFault(board); fault != PositionFault::None)
        return fault;
    if (pawnOnBackRank(board))
        return PositionFault::PawnOnBackRank;
    Square king = board.findKing(board.sideNotToMove() == kWhiteSide ? kWhiteKing : kBlackKing);
    if (king != NoSquare && board.isAttackedBy(board.sideToMove(), king))
        return PositionFault::SideNotToMoveInCheck;
    return PositionFault::None;
}

const char* positionFaultText(PositionFault fault)
{
    switch (fault) {
    case PositionFault::None:
        return "legal";
    case PositionFault::EnPassantWithoutPawn:
        return "the en-passant square has no pawn that has just made a double step";
    case PositionFault::CastlingWithoutKingAndRook:
        return "a castling right without its king and rook on their home squares";
    case PositionFault::KingCount:
        return "each side needs exactly one king";
    case PositionFault::TooManyMen:
        return "a side has more than 16 men";
    case PositionFault::TooManyPawns:
        return "a side has more than 8 pawns";
    case PositionFault::TooManyPromotedPieces:
        return "a side has more promoted pieces than missing pawns";
    case PositionFault::PawnOnBackRank:
        return "a pawn stands on the first or eighth rank";
    case PositionFault::SideNotToMoveInCheck:
        return "the side not to move is in check";
    }
    return "unknown";
}

bool validatePosition(Board& board)
{
    return firstPositionFault(board) == PositionFault::None;
}

bool validateAllowingSideSwap(Board& board)
{
    if (validatePosition(board))
        return true;
    std::uint8_t side = board.sideToMove();
    board.setSideToMove(side ^ 1);
    if (validatePosition(board))
        return true;
    board.setSideToMove(side);
    return false;
}

} // namespace velmorak
