#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace velmorak {

// A square of the 0x88 board: file in the high nibble, rank in the low nibble
// (a1 = 0x00, a8 = 0x07, h1 = 0x70, h8 = 0x77). Any value with a bit of 0x88 set is off
// the board; callers stepping from square to square test that before every access.
using Square = std::uint8_t;

// Returned by lookups that find no square.
inline constexpr Square NoSquare = 0x78;

// Steps on the 0x88 board.
inline constexpr int kFileRight = 16;
inline constexpr int kRankUp = 1;

constexpr bool isOnBoard(int square)
{
    return (square & 0x88) == 0;
}
constexpr int fileOf(Square square)
{
    return square >> 4;
}
constexpr int rankOf(Square square)
{
    return square & 7;
}
constexpr Square makeSquare(int file, int rank)
{
    return static_cast<Square>(file * 16 + rank);
}

// Reads "e4" or "E4": the first character is the file letter in either case, the second
// the rank digit. No range check is made (i9 gives an off-board value the caller must
// reject); text shorter than two characters gives NoSquare.
Square squareFromText(std::string_view text);

// "e4" for 0x43.
std::string squareText(Square square);

} // namespace velmorak
