#include "Board.h"

#include <algorithm>
#include <cstdlib>

namespace velmorak {

namespace {

// FEN text read with explicit bounds: past its end every character reads as '\0', so a
// truncated FEN is read as far as it goes and never beyond.
class FenCursor {
public:
    explicit FenCursor(std::string_view text)
        : m_text(text)
    {
    }
    char at(std::size_t index) const { return index < m_text.size() ? m_text[index] : '\0'; }
    std::size_t size() const { return m_text.size(); }

    // atoi: leading blanks, an optional sign, digits; clamped to the range of the
    // 16-bit counters instead of overflowing.
    int integerAt(std::size_t index) const
    {
        while (at(index) == ' ' || at(index) == '\t')
            ++index;
        bool negative = false;
        if (at(index) == '-' || at(index) == '+')
            negative = at(index++) == '-';
        long value = 0;
        while (at(index) >= '0' && at(index) <= '9') {
            value = std::min(value * 10 + (at(index) - '0'), 100000L);
            ++index;
        }
        return static_cast<int>(std::clamp(negative ? -value : value, -32768L, 32767L));
    }

private:
    std::string_view m_text;
};

bool holds(const BoardSquares& squares, int square, PieceCode piece)
{
    return isOnBoard(square) && squares[square] == piece;
}

} // namespace

Board::Board()
{
    m_history.reserve(kInitialHistoryCapacity);
    setStartPosition();
}

Board::Board(std::string_view fen)
{
    m_history.reserve(kInitialHistoryCapacity);
    setFromFen(fen);
}

void Board::setStartPosition()
{
    setFromFen(kStartFen);
}

void Board::clear()
{
    for (int square = 0; square < 128; ++square)
        m_squares[square] = isOnBoard(square) ? kEmpty : kOffBoard;
    m_sideToMove = kWhiteSide;
    m_sideNotToMove = kBlackSide;
    m_castlingRights = 0;
    m_enPassantSquare = 0;
    m_pieceCount = 0;
    m_halfMoveClock = 0;
    m_moveNumber = 1;
}

void Board::setPieceAt(Square square, PieceCode piece)
{
    if (!isOnBoard(square))
        return;
    bool wasOccupied = m_squares[square] != kEmpty;
    bool isOccupied = piece != kEmpty;
    m_squares[square] = piece;
    m_pieceCount = static_cast<std::uint8_t>(m_pieceCount + isOccupied - wasOccupied);
}

void Board::setSideToMove(std::uint8_t side)
{
    m_sideToMove = side & 1;
    m_sideNotToMove = m_sideToMove ^ 1;
}

void Board::setHalfMoveClock(int clock)
{
    m_halfMoveClock = static_cast<std::int16_t>(std::clamp(clock, 0, 32767));
}

void Board::setMoveNumber(int number)
{
    m_moveNumber = static_cast<std::int16_t>(std::clamp(number, 1, 32767));
}

void Board::setFromFen(std::string_view text)
{
    FenCursor fen(text);
    m_history.clear();
    m_pieceCount = 0;
    for (int square = 0; square < 128; ++square)
        m_squares[square] = isOnBoard(square) ? kEmpty : kOffBoard;

    // Placement, rank 8 down to rank 1. A '/' ends a rank early; after each rank one
    // character is stepped over (the separator, or the blank before the side).
    std::size_t i = 0;
    for (int rank = 7; rank >= 0 && i < fen.size(); --rank) {
        for (int file = 0; file < 8 && i < fen.size(); ++file) {
            char c = fen.at(i);
            if (c == '/')
                break;
            ++i;
            if (c >= '1' && c <= '8') {
                file += c - '1';
                continue;
            }
            m_squares[makeSquare(file, rank)] = pieceFromFenLetter(c);
            ++m_pieceCount;
        }
        ++i;
    }

    char side = fen.at(i);
    if (side == 'w' || side == 'W')
        m_sideToMove = kWhiteSide;
    else if (side == 'b' || side == 'B')
        m_sideToMove = kBlackSide;
    m_sideNotToMove = m_sideToMove ^ 1;

    m_castlingRights = 0;
    if (i < fen.size())
        i += 2;
    for (; fen.at(i) != ' ' && fen.at(i) != '\0'; ++i) {
        switch (fen.at(i)) {
        case 'K':
            m_castlingRights |= kWhiteShortRight;
            break;
        case 'Q':
            m_castlingRights |= kWhiteLongRight;
            break;
        case 'k':
            m_castlingRights |= kBlackShortRight;
            break;
        case 'q':
            m_castlingRights |= kBlackLongRight;
            break;
        default:
            break;
        }
    }

    m_enPassantSquare = 0;
    if (fen.at(i) == ' ')
        ++i;
    if (fen.at(i) == '-') {
        ++i;
    } else if (fen.at(i) != '\0' && fen.at(i + 1) != '\0') {
        Square square = squareFromText(text.substr(i, 2));
        i += 2;
        if (isOnBoard(square))
            m_enPassantSquare = square;
    }
    dropContradictedRights();

    // Counters: missing or negative values give 0 and 1.
    while (fen.at(i) == ' ')
        ++i;
    m_halfMoveClock = static_cast<std::int16_t>(std::max(fen.integerAt(i), 0));
    while (fen.at(i) != ' ' && fen.at(i) != '\0')
        ++i;
    m_moveNumber = static_cast<std::int16_t>(std::max(fen.integerAt(i), 1));

    m_kingSquareCache.fill(0);
}

void Board::dropContradictedRights()
{
    // A right counts only when its king and rook stand on their home squares.
    auto backed = [&](Square king, PieceCode kingCode, Square rook, PieceCode rookCode) {
        return m_squares[king] == kingCode && m_squares[rook] == rookCode;
    };
    std::uint8_t rights = 0;
    if ((m_castlingRights & kWhiteShortRight) && backed(0x40, kWhiteKing, 0x70, kWhiteRook))
        rights |= kWhiteShortRight;
    if ((m_castlingRights & kWhiteLongRight) && backed(0x40, kWhiteKing, 0x00, kWhiteRook))
        rights |= kWhiteLongRight;
    if ((m_castlingRights & kBlackShortRight) && backed(0x47, kBlackKing, 0x77, kBlackRook))
        rights |= kBlackShortRight;
    if ((m_castlingRights & kBlackLongRight) && backed(0x47, kBlackKing, 0x07, kBlackRook))
        rights |= kBlackLongRight;
    m_castlingRights = rights;

    // An en-passant square stays only when it is empty and a pawn stands ready to take the
    // pawn that skipped it; the side to move is not consulted. (An occupied one would let a
    // pawn take two men at once.)
    Square square = m_enPassantSquare;
    bool usable = false;
    if (square != 0 && isOnBoard(square) && m_squares[square] == kEmpty) {
        int rank = rankOf(square);
        if (rank == 2 && m_squares[square + 1] == kWhitePawn)
            usable = holds(m_squares, square + 1 - 16, kBlackPawn) ||
                holds(m_squares, square + 1 + 16, kBlackPawn);
        else if (rank == 5 && m_squares[square - 1] == kBlackPawn)
            usable = holds(m_squares, square - 1 - 16, kWhitePawn) ||
                holds(m_squares, square - 1 + 16, kWhitePawn);
    }
    if (!usable)
        m_enPassantSquare = 0;
}

std::string Board::fen() const
{
    std::string out;
    out.reserve(kMaxFenLength);
    for (int rank = 7; rank >= 0; --rank) {
        int empties = 0;
        for (int file = 0; file < 8; ++file) {
            PieceCode piece = m_squares[makeSquare(file, rank)];
            if (piece == kEmpty) {
                ++empties;
                continue;
            }
            if (empties > 0)
                out += static_cast<char>('0' + empties);
            empties = 0;
            out += fenLetter(piece);
        }
        if (empties > 0)
            out += static_cast<char>('0' + empties);
        if (rank > 0)
            out += '/';
    }
    out += m_sideToMove == kWhiteSide ? " w " : " b ";
    if (m_castlingRights == 0) {
        out += "- ";
    } else {
        if (m_castlingRights & kWhiteShortRight)
            out += 'K';
        if (m_castlingRights & kWhiteLongRight)
            out += 'Q';
        if (m_castlingRights & kBlackShortRight)
            out += 'k';
        if (m_castlingRights & kBlackLongRight)
            out += 'q';
        out += ' ';
    }
    out += m_enPassantSquare == 0 ? std::string("-") : squareText(m_enPassantSquare);
    out += ' ';
    out += std::to_string(m_halfMoveClock);
    out += ' ';
    out += std::to_string(m_moveNumber);
    return out;
}

void Board::pushSnapshot(Move move)
{
    // Grow by doubling; should the allocation fail, the old history stays as it was.
    if (m_history.size() == m_history.capacity())
        m_history.reserve(std::max<std::size_t>(kInitialHistoryCapacity, 2 * m_history.capacity()));
    BoardSnapshot& snapshot = m_history.emplace_back();
    snapshot.squares = m_squares;
    snapshot.sideToMove = m_sideToMove;
    snapshot.sideNotToMove = m_sideNotToMove;
    snapshot.castlingRights = m_castlingRights;
    snapshot.enPassantSquare = m_enPassantSquare;
    snapshot.pieceCount = m_pieceCount;
    snapshot.move = move;
    snapshot.firstDifferingSquare = 0;
    snapshot.halfMoveClock = m_halfMoveClock;
    snapshot.moveNumber = m_moveNumber;

    if (move.isQuiet() && !isPawn(move.piece))
        m_halfMoveClock = static_cast<std::int16_t>(std::min(m_halfMoveClock + 1, 32767));
    else
        m_halfMoveClock = 0;
    if (m_sideToMove == kBlackSide)
        m_moveNumber = static_cast<std::int16_t>(std::min(m_moveNumber + 1, 32767));
}

bool Board::makeMove(Move move)
{
    pushSnapshot(move);
    return applyMove(move);
}

bool Board::applyMove(Move move)
{
    if (move == NullMove) {
        m_enPassantSquare = 0;
        setSideToMove(m_sideNotToMove);
        return true;
    }
    Square from = move.from & 0x77;
    Square to = move.to & 0x77;
    PieceCode piece = move.piece;
    bool reversible = !isPawn(piece) && !move.isCapture() && !move.isPromotion();
    if (move.isCapture() && m_pieceCount > 0)
        --m_pieceCount;
    if (move.isEnPassant()) {
        reversible = false;
        int taken = piece == kWhitePawn ? to - 1 : to + 1;
        if (isOnBoard(taken))
            m_squares[taken] = kEmpty;
    }
    m_squares[from] = kEmpty;
    m_squares[to] = piece;
    if (move.isCastling()) {
        reversible = false;
        if (to - from == 32 && isOnBoard(to + 16) && isOnBoard(from + 16)) {
            m_squares[from + 16] = m_squares[to + 16];
            m_squares[to + 16] = kEmpty;
        } else if (to - from == -32 && isOnBoard(to - 32) && isOnBoard(from - 16)) {
            m_squares[from - 16] = m_squares[to - 32];
            m_squares[to - 32] = kEmpty;
        }
    }
    updateEnPassantSquare(from, to, piece);
    updateCastlingRights(from, to);
    setSideToMove(m_sideNotToMove);
    return reversible;
}

void Board::updateEnPassantSquare(Square from, Square to, PieceCode piece)
{
    // Only a double step beside an enemy pawn that could take it leaves a square behind.
    m_enPassantSquare = 0;
    if (!isPawn(piece) || std::abs(from - to) != 2)
        return;
    PieceCode enemyPawn = piece == kWhitePawn ? kBlackPawn : kWhitePawn;
    if (holds(m_squares, to - 16, enemyPawn) || holds(m_squares, to + 16, enemyPawn))
        m_enPassantSquare = piece == kWhitePawn ? to - 1 : to + 1;
}

void Board::updateCastlingRights(Square from, Square to)
{
    if (m_castlingRights == 0)
        return;
    if (from == 0x40)
        m_castlingRights &= ~(kWhiteShortRight | kWhiteLongRight);
    if (from == 0x70 || to == 0x70)
        m_castlingRights &= ~kWhiteShortRight;
    if (from == 0x00 || to == 0x00)
        m_castlingRights &= ~kWhiteLongRight;
    if (from == 0x47)
        m_castlingRights &= ~(kBlackShortRight | kBlackLongRight);
    if (from == 0x77 || to == 0x77)
        m_castlingRights &= ~kBlackShortRight;
    if (from == 0x07 || to == 0x07)
        m_castlingRights &= ~kBlackLongRight;
}

void Board::unmakeMove()
{
    if (m_history.empty())
        return;
    const BoardSnapshot& snapshot = m_history.back();
    m_squares = snapshot.squares;
    m_sideToMove = snapshot.sideToMove;
    m_sideNotToMove = snapshot.sideNotToMove;
    m_castlingRights = snapshot.castlingRights;
    m_enPassantSquare = snapshot.enPassantSquare;
    m_pieceCount = snapshot.pieceCount;
    m_halfMoveClock = snapshot.halfMoveClock;
    m_moveNumber = snapshot.moveNumber;
    m_history.pop_back();
}

Move Board::lastMove() const
{
    return m_history.empty() ? NoMove : m_history.back().move;
}

} // namespace velmorak
