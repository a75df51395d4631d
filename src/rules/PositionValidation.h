#pragma once

#include "Board.h"

namespace velmorak {

// The first rule a set-up position breaks, in the order they are tested.
enum class PositionFault {
    None,
    EnPassantWithoutPawn,
    CastlingWithoutKingAndRook,
    KingCount,
    TooManyMen,
    TooManyPawns,
    TooManyPromotedPieces,
    PawnOnBackRank,
    SideNotToMoveInCheck,
};

PositionFault firstPositionFault(Board& board);
// A short English description of a fault, for the command line and logs.
const char* positionFaultText(PositionFault fault);

// Whether a set-up position may start a game.
bool validatePosition(Board& board);
// As validatePosition; when the position fails with the side to move as set but passes
// with the other side to move, the board is switched to that side and true returned.
bool validateAllowingSideSwap(Board& board);

} // namespace velmorak
