#pragma once

#include <array>
#include <cstdint>

#include "Move.h"
#include "PieceCode.h"

namespace velmorak {

// The 128 bytes of a 0x88 board.
using BoardSquares = std::array<PieceCode, 128>;

// One entry of a board's history: the position a move was made from, and that move.
struct BoardSnapshot {
    BoardSquares squares {};
    std::uint8_t sideToMove = 0;
    std::uint8_t sideNotToMove = 1;
    std::uint8_t castlingRights = 0;
    std::uint8_t enPassantSquare = 0;
    std::uint8_t pieceCount = 0;
    Move move = EmptyMove;
    // Where the last repetition test found this position different from the one it was
    // compared with; looked at first next time, so most comparisons end after one byte.
    std::uint8_t firstDifferingSquare = 0;
    // The counters before the move, so that unmaking restores them exactly, including a
    // half-move clock that came from a FEN.
    std::int16_t halfMoveClock = 0;
    std::int16_t moveNumber = 1;
};

} // namespace velmorak
