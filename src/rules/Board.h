#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "BoardSnapshot.h"
#include "GameEndCode.h"
#include "Move.h"
#include "MoveList.h"
#include "PieceCode.h"
#include "Square.h"

namespace velmorak {

// Castling-right bits.
inline constexpr std::uint8_t kWhiteShortRight = 1;
inline constexpr std::uint8_t kWhiteLongRight = 2;
inline constexpr std::uint8_t kBlackShortRight = 4;
inline constexpr std::uint8_t kBlackLongRight = 8;

inline constexpr std::string_view kStartFen =
    "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1";

// One position on a flat 0x88 array, with the history of the moves made on it. Copying a
// board copies its history. Move generation and legality work directly on the array:
// a move is legal when its own king is not attacked after making it.
//
// A board is used by one thread at a time. No operation reports an error: lookups that find
// nothing answer NoMove, AmbiguousMove or NoSquare.
class Board {
public:
    static constexpr int kInitialHistoryCapacity = 16;
    // The longest FEN the writer produces is under this length.
    static constexpr std::size_t kMaxFenLength = 100;

    // The start position with an empty history.
    Board();
    explicit Board(std::string_view fen);

    // --- Position and FEN ---------------------------------------------------------------
    void setStartPosition();
    // Every square empty, white to move, no rights, counters 0 and 1. Keeps the history.
    void clear();
    // Reads a FEN tolerantly and never fails: malformed text gives whatever the fields that
    // can be read say (unknown letters are empty squares that still count as pieces, a
    // castling right without its king and rook is dropped, an en-passant square no pawn
    // can use is dropped, missing counters read as 0 and 1). Text too short to hold the
    // placement and side fields is read as if padded with blanks. Starts a new history.
    void setFromFen(std::string_view fen);
    // Drops a castling right whose king and rook are not on their home squares and an
    // en-passant square no pawn can use: the rule setFromFen reads a FEN by, for a board
    // edited square by square.
    void dropContradictedRights();
    std::string fen() const;

    bool squaresEqual(const BoardSquares& other) const { return m_squares == other; }

    const BoardSquares& squares() const { return m_squares; }
    PieceCode pieceAt(Square square) const { return m_squares[square & 0x7F]; }
    // For the set-up editor; keeps the piece count in step.
    void setPieceAt(Square square, PieceCode piece);

    std::uint8_t sideToMove() const { return m_sideToMove; }
    std::uint8_t sideNotToMove() const { return m_sideNotToMove; }
    void setSideToMove(std::uint8_t side);
    std::uint8_t castlingRights() const { return m_castlingRights; }
    void setCastlingRights(std::uint8_t rights) { m_castlingRights = rights & 15; }
    // 0 when no pawn can be taken en passant (a1 is never such a square).
    Square enPassantSquare() const { return m_enPassantSquare; }
    void setEnPassantSquare(Square square) { m_enPassantSquare = square; }
    int pieceCount() const { return m_pieceCount; }
    int halfMoveClock() const { return m_halfMoveClock; }
    void setHalfMoveClock(int clock);
    int moveNumber() const { return m_moveNumber; }
    void setMoveNumber(int number);

    std::size_t historyLength() const { return m_history.size(); }
    std::size_t historyCapacity() const { return m_history.capacity(); }
    const BoardSnapshot& snapshot(std::size_t index) const { return m_history[index]; }

    // --- Making moves -------------------------------------------------------------------
    // Applies a move (no legality test) and records a snapshot. Returns true when the move
    // is reversible: neither a pawn move, a capture, a promotion nor castling.
    bool makeMove(Move move);
    // Undoes the newest move; does nothing when the history is empty.
    void unmakeMove();
    // The newest move made, or NoMove on an empty history.
    Move lastMove() const;

    // --- Generation, in the fixed order the opening books depend on -----------------------
    void pseudoLegalMoves(Square from, SquareMoveList& list) const;
    void legalMoves(Square from, SquareMoveList& list);
    void allPseudoLegalMoves(MoveList& list) const;
    void allLegalMoves(MoveList& list);
    // Whether the move leaves its own king (standing on ownKingSquare before the move)
    // unattacked. Without a king there every move is illegal.
    bool isLegal(Move move, Square ownKingSquare);
    // Whether the move equals, in all four bytes, a legal move of the side to move.
    bool isMoveLegal(Move move);
    std::size_t legalMoveCount();
    // Whether the side to move has any legal move; stops at the first.
    bool hasLegalMove();

    bool isAttackedByWhite(Square square) const;
    bool isAttackedByBlack(Square square) const;
    bool isAttackedBy(std::uint8_t side, Square square) const
    {
        return side == kWhiteSide ? isAttackedByWhite(square) : isAttackedByBlack(square);
    }
    bool isInCheck() const;
    // The square of a king (code 0 or 8), or NoSquare.
    Square findKing(PieceCode king) const;

    // --- Lookups for board input ----------------------------------------------------------
    // The first legal move of the side to move from `from` to `to` that is no promotion or
    // promotes to `promotion`; NoMove otherwise (so a promotion asked with kEmpty finds
    // nothing).
    Move findMove(Square from, Square to, PieceCode promotion);
    // The only legal move to (from) a square, counting promotions to a queen only;
    // NoMove when none, AmbiguousMove when several.
    Move uniqueMoveTo(Square to);
    Move uniqueMoveFrom(Square from);
    // The first legal move after which the board shows exactly `target`, or NoMove.
    Move moveReachingSquares(const BoardSquares& target);
    // 1 when the position before the newest move shows `target` on its 64 squares, 2 when
    // the one before the two newest moves does, otherwise 0.
    int compareWithHistory(const BoardSquares& target) const;

    // Checkmate, stalemate, threefold repetition, fifty moves or insufficient material;
    // GameEndCode::None otherwise. Leaves the board unchanged.
    GameEndCode gameEnd();

private:
    void pushSnapshot(Move move);
    bool applyMove(Move move);
    void updateEnPassantSquare(Square from, Square to, PieceCode piece);
    void updateCastlingRights(Square from, Square to);
    void finishMove();
    template <typename Sink> void generateMoves(Square from, Sink&& sink) const;
    template <typename Sink> void addPawnMoves(Square from, PieceCode pawn, Sink& sink) const;
    template <typename Sink> void addCastlingMoves(Square from, PieceCode king, Sink& sink) const;
    bool mayBePinned(Square square, Square king) const;
    template <typename Visit> void forEachLegalMove(Visit&& visit);
    bool samePosition(const BoardSnapshot& current, BoardSnapshot& older) const;

    BoardSquares m_squares {};
    std::uint8_t m_sideToMove = kWhiteSide;
    std::uint8_t m_sideNotToMove = kBlackSide;
    std::uint8_t m_castlingRights = 0;
    Square m_enPassantSquare = 0;
    std::uint8_t m_pieceCount = 0;
    std::int16_t m_halfMoveClock = 0;
    std::int16_t m_moveNumber = 1;
    mutable std::array<Square, 13> m_kingSquareCache {};
    std::vector<BoardSnapshot> m_history;
};

} // namespace velmorak
