#pragma once

#include <cstdint>

#include "PieceCode.h"
#include "Square.h"

namespace velmorak {

// Flag bits of a move; the low nibble holds the captured piece code (kEmpty when nothing
// is captured).
inline constexpr std::uint8_t kCapturedMask = 0x0F;
inline constexpr std::uint8_t kPromotionFlag = 0x10;
inline constexpr std::uint8_t kCastlingFlag = 0x20;
inline constexpr std::uint8_t kEnPassantFlag = 0x40;
inline constexpr std::uint8_t kCaptureFlag = 0x80;
inline constexpr std::uint8_t kQuietFlags = kEmpty;
// En-passant captures: a black pawn taking a white one, a white pawn taking a black one.
inline constexpr std::uint8_t kBlackTakesEnPassant = 0xC4;
inline constexpr std::uint8_t kWhiteTakesEnPassant = 0xCC;
inline constexpr std::uint8_t kCastlingFlags = 0x27;

// A move in four bytes, copied by value and compared as a whole. `piece` is what stands
// on the target afterwards: the moving piece, or the new piece of a promotion.
struct Move {
    Square from;
    PieceCode piece;
    Square to;
    std::uint8_t flags;

    constexpr std::uint32_t word() const
    {
        return std::uint32_t(from) | std::uint32_t(piece) << 8 | std::uint32_t(to) << 16 |
            std::uint32_t(flags) << 24;
    }
    friend constexpr bool operator==(Move, Move) = default;

    // Quiet: no capture, promotion, castling or en passant.
    constexpr bool isQuiet() const { return (flags & 0xF0) == 0; }
    constexpr bool isCapture() const { return (flags & kCaptureFlag) != 0; }
    constexpr bool isPromotion() const { return (flags & kPromotionFlag) != 0; }
    constexpr bool isCastling() const { return (flags & kCastlingFlag) != 0; }
    constexpr bool isEnPassant() const { return (flags & kEnPassantFlag) != 0; }
    constexpr PieceCode captured() const { return flags & kCapturedMask; }
};
static_assert(sizeof(Move) == 4);

// A passed turn; the coordinate text "null" makes it.
inline constexpr Move NullMove { 0, 0, 0, 0 };
// The value of a move slot nothing was written to.
inline constexpr Move EmptyMove { 0x78, 14, 0x78, 14 };
// No move found, no legal move, text not understood.
inline constexpr Move NoMove { 0x88, 6, 0x88, 6 };
// More than one move fits a lookup.
inline constexpr Move AmbiguousMove { 0, 6, 0, 6 };

inline constexpr Move kWhiteShortCastling { 0x40, kWhiteKing, 0x60, kCastlingFlags };
inline constexpr Move kWhiteLongCastling { 0x40, kWhiteKing, 0x20, kCastlingFlags };
inline constexpr Move kBlackShortCastling { 0x47, kBlackKing, 0x67, kCastlingFlags };
inline constexpr Move kBlackLongCastling { 0x47, kBlackKing, 0x27, kCastlingFlags };

} // namespace velmorak
