#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string_view>

#include "rules/Board.h"

namespace velmorak {

// The board's 64 squares as it sends them (a8, b8, ... h8, a7, ... h1 for a board in normal
// orientation), one DGT piece code each: 0 empty, 1..6 white pawn, rook, knight, bishop,
// king, queen, 7..12 the same for black.
using DgtBoardImage = std::array<std::uint8_t, 64>;

inline constexpr std::uint8_t kDgtEmpty = 0;
inline constexpr std::uint8_t kDgtWhiteKing = 5;
inline constexpr std::uint8_t kDgtBlackKing = 11;
inline constexpr std::uint8_t kDgtLastPiece = 12;

// What the driver tells the program, by the codes the board's gestures have always had.
enum class DgtEventCode : int {
    BoardPositionChanged = 1,
    RotationChanged = 11,
    ResultWhiteWins = 12,
    ResultBlackWins = 13,
    ResultDraw = 14,
    StartingPosition = 15,
    SetupRotated = 16,
    NewPositionWhiteToMove = 17,
    NewPositionBlackToMove = 18,
    WhiteMoveNow = 19,
    BlackMoveNow = 20,
    SetupEntered = 21,
    Message = 22,
    BlackClockTimeChanged = 23,
    WhiteClockTimeChanged = 24,
    BlackStoppedClock = 25,
    WhiteStoppedClock = 26,
    RandomFischerStart = 27,
};

// The event's name as the program prints it ("BOARDPOSITIONCHANGED", "STARTINGPOSITION",
// "DMESSAGE", ...).
std::string_view dgtEventName(DgtEventCode code);

// One event, in the order the board's messages raised it. Every event of a board change
// carries the board as it stood after that change (normal orientation), so that two changes
// read in one poll are judged one after the other.
struct DgtEvent {
    DgtEventCode code = DgtEventCode::BoardPositionChanged;
    DgtBoardImage board {};
};

// The board image as the program's squares (0x88, the program's piece codes), empty squares
// kEmpty; codes above 12 count as empty. Side to move and rights are not touched.
BoardSquares dgtImageToSquares(const DgtBoardImage& image);

} // namespace velmorak
