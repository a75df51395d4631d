#pragma once

#include <cstdint>

namespace velmorak {

// A piece code: kind in the low three bits, 8 for black. 6 fills the off-board half of the
// 0x88 array and 7 marks an empty square, so "white piece" is code < 6 and "black piece"
// is code & 8.
using PieceCode = std::uint8_t;

inline constexpr PieceCode kWhiteKing = 0;
inline constexpr PieceCode kWhiteBishop = 1;
inline constexpr PieceCode kWhiteKnight = 2;
inline constexpr PieceCode kWhiteRook = 3;
inline constexpr PieceCode kWhitePawn = 4;
inline constexpr PieceCode kWhiteQueen = 5;
inline constexpr PieceCode kOffBoard = 6;
inline constexpr PieceCode kEmpty = 7;
inline constexpr PieceCode kBlack = 8;
inline constexpr PieceCode kBlackKing = 8;
inline constexpr PieceCode kBlackBishop = 9;
inline constexpr PieceCode kBlackKnight = 10;
inline constexpr PieceCode kBlackRook = 11;
inline constexpr PieceCode kBlackPawn = 12;
inline constexpr PieceCode kBlackQueen = 13;

// Piece kinds: a piece code AND 7.
inline constexpr int kKing = 0;
inline constexpr int kBishop = 1;
inline constexpr int kKnight = 2;
inline constexpr int kRook = 3;
inline constexpr int kPawn = 4;
inline constexpr int kQueen = 5;

// Sides as stored in the board's side-to-move byte.
inline constexpr std::uint8_t kWhiteSide = 0;
inline constexpr std::uint8_t kBlackSide = 1;

// Letter tables indexed by piece code 0..14.
inline constexpr char kFenLetters[] = "KBNRPQ# kbnrpq%";
inline constexpr char kCoordinatePromotionLetters[] = "kbnrpq# kbnrpq%";
inline constexpr char kSanLetters[] = "KBNRPQ# KBNRPQ%";

constexpr int kindOf(PieceCode piece)
{
    return piece & 7;
}
constexpr bool isWhitePiece(PieceCode piece)
{
    return piece < 6;
}
constexpr bool isBlackPiece(PieceCode piece)
{
    return (piece & 8) != 0;
}
constexpr bool isPawn(PieceCode piece)
{
    return (piece & 7) == kPawn;
}
constexpr bool isKing(PieceCode piece)
{
    return piece == kWhiteKing || piece == kBlackKing;
}
// The code of a kind for a side (0 white, 1 black).
constexpr PieceCode pieceOf(int kind, int side)
{
    return static_cast<PieceCode>(kind + side * 8);
}

// The FEN letter of a piece; codes above 13 write as '?'.
constexpr char fenLetter(PieceCode piece)
{
    return piece > 13 ? '?' : kFenLetters[piece];
}

// K B N R P Q k b n r p q map to their codes; every other character gives kEmpty.
constexpr PieceCode pieceFromFenLetter(char letter)
{
    switch (letter) {
    case 'K':
        return kWhiteKing;
    case 'B':
        return kWhiteBishop;
    case 'N':
        return kWhiteKnight;
    case 'R':
        return kWhiteRook;
    case 'P':
        return kWhitePawn;
    case 'Q':
        return kWhiteQueen;
    case 'k':
        return kBlackKing;
    case 'b':
        return kBlackBishop;
    case 'n':
        return kBlackKnight;
    case 'r':
        return kBlackRook;
    case 'p':
        return kBlackPawn;
    case 'q':
        return kBlackQueen;
    default:
        return kEmpty;
    }
}

} // namespace velmorak
