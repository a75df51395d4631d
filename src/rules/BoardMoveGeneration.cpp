// Move generation, legality and attack tests of Board. The order of generated moves is
// part of the opening-book format (books number moves by their place in a piece's list),
// so the step tables below must keep their order.
#include "Board.h"

namespace velmorak {

namespace {

struct StepTable {
    int steps[8];
    int count;
};

// Indexed by piece code; each black table is its white table with every rank step
// negated. Bishops and rooks use the first four steps, queens and kings all eight.
constexpr StepTable kStepTables[14] = {
    { { 16, -16, -17, -1, 15, 17, 1, -15 }, 8 }, // white king
    { { 17, -15, 15, -17 }, 4 }, // white bishop
    { { -31, 33, -33, 31, -14, 18, -18, 14 }, 8 }, // white knight
    { { 1, 16, -16, -1 }, 4 }, // white rook
    { {}, 0 }, // white pawn: moves of its own
    { { 17, -15, 1, 15, -17, -1, 16, -16 }, 8 }, // white queen
    { {}, 0 }, { {}, 0 }, { { 16, -16, -15, 1, 17, 15, -1, -17 }, 8 }, // black king
    { { 15, -17, 17, -15 }, 4 }, // black bishop
    { { -33, 31, -31, 33, -18, 14, -14, 18 }, 8 }, // black knight
    { { -1, 16, -16, 1 }, 4 }, // black rook
    { {}, 0 }, // black pawn
    { { 15, -17, -1, 17, -15, 1, 16, -16 }, 8 }, // black queen
};

constexpr int kKnightSteps[8] = { 18, -14, -31, 33, -33, 31, -18, 14 };
constexpr int kKingSteps[8] = { 16, -16, -17, -1, 15, 17, 1, -15 };
constexpr int kDiagonalSteps[4] = { -15, 17, -17, 15 };
constexpr int kStraightSteps[4] = { 1, -16, 16, -1 };

// Promotions in the order they are generated: queen, knight, rook, bishop.
constexpr int kPromotionKinds[4] = { kQueen, kKnight, kRook, kBishop };

bool isEnemyOf(PieceCode mover, PieceCode target)
{
    return isWhitePiece(mover) ? isBlackPiece(target) : isWhitePiece(target);
}

// The step leading from one square towards another along a rank, file or diagonal, by
// their difference + 119; 0 when the two squares share no such line.
struct LineTable {
    std::int8_t step[239] {};
    constexpr LineTable()
    {
        const int steps[8] = { 1, -1, 16, -16, 15, -15, 17, -17 };
        for (int s : steps)
            for (int n = 1; n < 8; ++n)
                step[s * n + 119] = static_cast<std::int8_t>(s);
    }
};
constexpr LineTable kLines;

bool isSideOf(std::uint8_t side, PieceCode piece)
{
    return side == kWhiteSide ? isWhitePiece(piece) : isBlackPiece(piece);
}

} // namespace

void Board::pseudoLegalMoves(Square from, SquareMoveList& list) const
{
    list.clear();
    generateMoves(from, [&](Move move) { list.push(move); });
}

template <typename Sink> void Board::generateMoves(Square from, Sink&& sink) const
{
    if (!isOnBoard(from))
        return;
    PieceCode piece = m_squares[from];
    if (piece >= 14 || piece == kOffBoard || piece == kEmpty)
        return;
    int kind = kindOf(piece);
    if (kind == kPawn) {
        addPawnMoves(from, piece, sink);
        return;
    }
    if (kind == kKing)
        addCastlingMoves(from, piece, sink);
    const StepTable& table = kStepTables[piece];
    bool slides = kind == kBishop || kind == kRook || kind == kQueen;
    for (int d = 0; d < table.count; ++d) {
        int step = table.steps[d];
        for (int to = from + step; isOnBoard(to); to += step) {
            PieceCode target = m_squares[to];
            if (target == kEmpty) {
                sink({ from, piece, static_cast<Square>(to), kQuietFlags });
            } else {
                if (isEnemyOf(piece, target))
                    sink({ from, piece, static_cast<Square>(to),
                        static_cast<std::uint8_t>(target | kCaptureFlag) });
                break;
            }
            if (!slides)
                break;
        }
    }
}

template <typename Sink> void Board::addPawnMoves(Square from, PieceCode pawn, Sink& sink) const
{
    bool white = pawn == kWhitePawn;
    int forward = white ? 1 : -1;
    int startRank = white ? 1 : 6;
    int lastRankBefore = white ? 6 : 1;
    int side = white ? 0 : 1;
    bool promotes = rankOf(from) == lastRankBefore;

    auto add = [&](int to, std::uint8_t flags) {
        if (!promotes) {
            sink({ from, pawn, static_cast<Square>(to), flags });
            return;
        }
        for (int kind : kPromotionKinds)
            sink({ from, pieceOf(kind, side), static_cast<Square>(to),
                static_cast<std::uint8_t>(flags | kPromotionFlag) });
    };

    int push = from + forward;
    if (isOnBoard(push) && m_squares[push] == kEmpty) {
        add(push, kQuietFlags);
        int doublePush = push + forward;
        if (rankOf(from) == startRank && isOnBoard(doublePush) && m_squares[doublePush] == kEmpty)
            sink({ from, pawn, static_cast<Square>(doublePush), kQuietFlags });
    }
    // Captures: up-left then up-right for white, down-left then down-right for black.
    const int captures[2] = { white ? -15 : -17, white ? 17 : 15 };
    for (int step : captures) {
        int to = from + step;
        if (!isOnBoard(to))
            continue;
        PieceCode target = m_squares[to];
        if (target != kEmpty && isEnemyOf(pawn, target))
            add(to, static_cast<std::uint8_t>(target | kCaptureFlag));
    }
    int ep = m_enPassantSquare;
    if (ep != 0) {
        if (white && (from == ep - 17 || from == ep + 15))
            sink({ from, pawn, static_cast<Square>(ep), kWhiteTakesEnPassant });
        else if (!white && (from == ep - 15 || from == ep + 17))
            sink({ from, pawn, static_cast<Square>(ep), kBlackTakesEnPassant });
    }
}

template <typename Sink>
void Board::addCastlingMoves(Square king, PieceCode piece, Sink& sink) const
{
    // The rights vouch for the rooks; the king must stand on its home square for the
    // castling constants to describe its move.
    bool white = piece == kWhiteKing;
    std::uint8_t shortRight = white ? kWhiteShortRight : kBlackShortRight;
    std::uint8_t longRight = white ? kWhiteLongRight : kBlackLongRight;
    if ((m_castlingRights & (shortRight | longRight)) == 0 || king != (white ? 0x40 : 0x47))
        return;
    auto attacked = [&](int square) {
        return white ? isAttackedByBlack(static_cast<Square>(square))
                     : isAttackedByWhite(static_cast<Square>(square));
    };
    if ((m_castlingRights & shortRight) && m_squares[king + 16] == kEmpty &&
        m_squares[king + 32] == kEmpty && !attacked(king + 16) && !attacked(king + 32) &&
        !attacked(king))
        sink(white ? kWhiteShortCastling : kBlackShortCastling);
    if ((m_castlingRights & longRight) && m_squares[king - 16] == kEmpty &&
        m_squares[king - 32] == kEmpty && m_squares[king - 48] == kEmpty && !attacked(king - 16) &&
        !attacked(king - 32) && !attacked(king))
        sink(white ? kWhiteLongCastling : kBlackLongCastling);
}

void Board::allPseudoLegalMoves(MoveList& list) const
{
    list.clear();
    SquareMoveList squareMoves;
    for (int square = 0; square < 0x78; ++square) {
        if (!isOnBoard(square) || !isSideOf(m_sideToMove, m_squares[square]))
            continue;
        pseudoLegalMoves(static_cast<Square>(square), squareMoves);
        for (Move move : squareMoves)
            list.push(move);
    }
}

bool Board::isLegal(Move move, Square ownKingSquare)
{
    if (!isOnBoard(ownKingSquare))
        return false;
    PieceCode king = m_squares[ownKingSquare];
    if (!isKing(king))
        return false;
    if (move == NullMove)
        return !(king == kWhiteKing ? isAttackedByBlack(ownKingSquare)
                                    : isAttackedByWhite(ownKingSquare));
    Square kingSquare = move.from == ownKingSquare ? move.to : ownKingSquare;

    // Make the move on the squares alone, test, and put back the few squares it touched:
    // the same answer as a full make and unmake, without copying the board twice.
    Square from = move.from & 0x77;
    Square to = move.to & 0x77;
    PieceCode savedFrom = m_squares[from];
    PieceCode savedTo = m_squares[to];
    int taken = -1;
    PieceCode savedTaken = kEmpty;
    int rookFrom = -1, rookTo = -1;
    PieceCode savedRookFrom = kEmpty, savedRookTo = kEmpty;

    if (move.isEnPassant()) {
        int square = move.piece == kWhitePawn ? to - 1 : to + 1;
        if (isOnBoard(square)) {
            taken = square;
            savedTaken = m_squares[taken];
            m_squares[taken] = kEmpty;
        }
    }
    m_squares[from] = kEmpty;
    m_squares[to] = move.piece;
    if (move.isCastling()) {
        if (to - from == 32) {
            rookFrom = to + 16;
            rookTo = from + 16;
        } else if (to - from == -32) {
            rookFrom = to - 32;
            rookTo = from - 16;
        }
        if (isOnBoard(rookFrom) && isOnBoard(rookTo)) {
            savedRookFrom = m_squares[rookFrom];
            savedRookTo = m_squares[rookTo];
            m_squares[rookTo] = m_squares[rookFrom];
            m_squares[rookFrom] = kEmpty;
        } else {
            rookFrom = -1;
        }
    }

    bool legal =
        !(king == kWhiteKing ? isAttackedByBlack(kingSquare) : isAttackedByWhite(kingSquare));

    if (rookFrom >= 0) {
        m_squares[rookFrom] = savedRookFrom;
        m_squares[rookTo] = savedRookTo;
    }
    m_squares[to] = savedTo;
    m_squares[from] = savedFrom;
    if (taken >= 0)
        m_squares[taken] = savedTaken;
    return legal;
}

void Board::legalMoves(Square from, SquareMoveList& list)
{
    SquareMoveList pseudo;
    pseudoLegalMoves(from, pseudo);
    list.clear();
    if (pseudo.empty())
        return;
    Square king = findKing(isWhitePiece(m_squares[from]) ? kWhiteKing : kBlackKing);
    for (Move move : pseudo)
        if (isLegal(move, king))
            list.push(move);
}

bool Board::mayBePinned(Square square, Square king) const
{
    // Only the first piece on a line from the king, with an enemy slider of the line's kind
    // beyond it, can expose the king by moving.
    int step = kLines.step[square - king + 119];
    if (step == 0)
        return false;
    for (int between = king + step; between != square; between += step)
        if (m_squares[between] != kEmpty)
            return false;
    int beyond = square + step;
    while (isOnBoard(beyond) && m_squares[beyond] == kEmpty)
        beyond += step;
    if (!isOnBoard(beyond))
        return false;
    PieceCode piece = m_squares[beyond];
    bool enemy = isWhitePiece(m_squares[king]) ? isBlackPiece(piece) : isWhitePiece(piece);
    bool straight = step == 1 || step == -1 || step == 16 || step == -16;
    int kind = kindOf(piece);
    return enemy && (kind == kQueen || kind == (straight ? kRook : kBishop));
}

template <typename Visit> void Board::forEachLegalMove(Visit&& visit)
{
    Square king = findKing(m_sideToMove == kWhiteSide ? kWhiteKing : kBlackKing);
    if (king == NoSquare)
        return;
    bool inCheck = isAttackedBy(m_sideNotToMove, king);
    bool stopped = false;
    // Rank by rank within each file, stepping over the off-board half of the array.
    for (int square = 0; square < 0x78 && !stopped; square += (square & 7) == 7 ? 9 : 1) {
        if (!isSideOf(m_sideToMove, m_squares[square]))
            continue;
        // Out of check, a piece that cannot be pinned moves legally wherever it can go; only
        // the king, pinned pieces and en passant need the full test.
        bool test = inCheck || square == king || mayBePinned(static_cast<Square>(square), king);
        generateMoves(static_cast<Square>(square), [&](Move move) {
            if (stopped)
                return;
            bool legal = (!test && !move.isEnPassant()) || isLegal(move, king);
            if (legal && !visit(move))
                stopped = true;
        });
    }
}

void Board::allLegalMoves(MoveList& list)
{
    list.clear();
    forEachLegalMove([&](Move move) {
        list.push(move);
        return true;
    });
}

std::size_t Board::legalMoveCount()
{
    std::size_t count = 0;
    forEachLegalMove([&](Move) {
        ++count;
        return true;
    });
    return count;
}

bool Board::hasLegalMove()
{
    bool found = false;
    forEachLegalMove([&](Move) {
        found = true;
        return false;
    });
    return found;
}

bool Board::isMoveLegal(Move move)
{
    if (!isOnBoard(move.from) || !isSideOf(m_sideToMove, m_squares[move.from]))
        return false;
    SquareMoveList list;
    legalMoves(move.from, list);
    return list.contains(move);
}

namespace {

// Whether `piece` stands on a square one step from `square` in any of `steps`.
template <std::size_t N>
bool stepAttack(const BoardSquares& squares, int square, const int (&steps)[N], PieceCode piece)
{
    for (int step : steps) {
        int from = square + step;
        if (isOnBoard(from) && squares[from] == piece)
            return true;
    }
    return false;
}

// Whether the first piece met walking from `square` along any of `steps` is one of two.
bool slideAttack(
    const BoardSquares& squares, int square, const int (&steps)[4], PieceCode a, PieceCode b)
{
    for (int step : steps) {
        int from = square + step;
        while (isOnBoard(from) && squares[from] == kEmpty)
            from += step;
        if (isOnBoard(from) && (squares[from] == a || squares[from] == b))
            return true;
    }
    return false;
}

} // namespace

bool Board::isAttackedByWhite(Square square) const
{
    if (!isOnBoard(square))
        return false;
    return stepAttack(m_squares, square, kKnightSteps, kWhiteKnight) ||
        slideAttack(m_squares, square, kDiagonalSteps, kWhiteQueen, kWhiteBishop) ||
        slideAttack(m_squares, square, kStraightSteps, kWhiteQueen, kWhiteRook) ||
        stepAttack(m_squares, square, kKingSteps, kWhiteKing) ||
        (isOnBoard(square - 17) && m_squares[square - 17] == kWhitePawn) ||
        (isOnBoard(square + 15) && m_squares[square + 15] == kWhitePawn);
}

bool Board::isAttackedByBlack(Square square) const
{
    if (!isOnBoard(square))
        return false;
    return stepAttack(m_squares, square, kKnightSteps, kBlackKnight) ||
        slideAttack(m_squares, square, kDiagonalSteps, kBlackQueen, kBlackBishop) ||
        slideAttack(m_squares, square, kStraightSteps, kBlackQueen, kBlackRook) ||
        stepAttack(m_squares, square, kKingSteps, kBlackKing) ||
        (isOnBoard(square - 15) && m_squares[square - 15] == kBlackPawn) ||
        (isOnBoard(square + 17) && m_squares[square + 17] == kBlackPawn);
}

bool Board::isInCheck() const
{
    Square king = findKing(m_sideToMove == kWhiteSide ? kWhiteKing : kBlackKing);
    if (king == NoSquare)
        return false;
    return m_sideToMove == kWhiteSide ? isAttackedByBlack(king) : isAttackedByWhite(king);
}

Square Board::findKing(PieceCode king) const
{
    if (king > 12)
        return NoSquare;
    Square cached = m_kingSquareCache[king];
    if (isOnBoard(cached) && m_squares[cached] == king)
        return cached;
    for (int square = 0; square < 0x78; ++square) {
        if (isOnBoard(square) && m_squares[square] == king) {
            m_kingSquareCache[king] = static_cast<Square>(square);
            return static_cast<Square>(square);
        }
    }
    return NoSquare;
}

} // namespace velmorak
