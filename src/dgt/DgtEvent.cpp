#include "dgt/DgtEvent.h"

#include "rules/PieceCode.h"
#include "rules/Square.h"

namespace velmorak {

std::string_view dgtEventName(DgtEventCode code)
{
    switch (code) {
    case DgtEventCode::BoardPositionChanged:
        return "BOARDPOSITIONCHANGED";
    case DgtEventCode::RotationChanged:
        return "ROTATIONCHANGED";
    case DgtEventCode::ResultWhiteWins:
        return "RESULTWHITEWINS";
    case DgtEventCode::ResultBlackWins:
        return "RESULTBLACKWINS";
    case DgtEventCode::ResultDraw:
        return "RESULTDRAW";
    case DgtEventCode::StartingPosition:
        return "STARTINGPOSITION";
    case DgtEventCode::SetupRotated:
        return "SETUPROTATED";
    case DgtEventCode::NewPositionWhiteToMove:
        return "NEWPOSITIONWHITETOMOVE";
    case DgtEventCode::NewPositionBlackToMove:
        return "NEWPOSITIONBLACKTOMOVE";
    case DgtEventCode::WhiteMoveNow:
        return "WHITEMOVENOW";
    case DgtEventCode::BlackMoveNow:
        return "BLACKMOVENOW";
    case DgtEventCode::SetupEntered:
        return "SETUPENTERED";
    case DgtEventCode::Message:
        return "DMESSAGE";
    case DgtEventCode::BlackClockTimeChanged:
        return "BLACKCLOCKTIMECHANGED";
    case DgtEventCode::WhiteClockTimeChanged:
        return "WHITECLOCKTIMECHANGED";
    case DgtEventCode::BlackStoppedClock:
        return "BLACKSTOPPEDCLOCK";
    case DgtEventCode::WhiteStoppedClock:
        return "WHITESTOPPEDCLOCK";
    case DgtEventCode::RandomFischerStart:
        return "RANDOMFISCHERSTART";
    }
    return "UNKNOWN";
}

BoardSquares dgtImageToSquares(const DgtBoardImage& image)
{
    // Indexed by DGT code: empty, then pawn, rook, knight, bishop, king, queen of each side.
    constexpr PieceCode kPieces[] = { kEmpty, kWhitePawn, kWhiteRook, kWhiteKnight, kWhiteBishop,
        kWhiteKing, kWhiteQueen, kBlackPawn, kBlackRook, kBlackKnight, kBlackBishop, kBlackKing,
        kBlackQueen };
    BoardSquares squares {};
    for (int square = 0; square < static_cast<int>(squares.size()); ++square)
        squares[static_cast<std::size_t>(square)] = isOnBoard(square) ? kEmpty : kOffBoard;
    for (std::size_t index = 0; index < image.size(); ++index) {
        std::uint8_t piece = image[index];
        int file = static_cast<int>(index % 8);
        int rank = 7 - static_cast<int>(index / 8);
        squares[static_cast<std::size_t>(file * 16 + rank)] =
            piece <= kDgtLastPiece ? kPieces[piece] : kEmpty;
    }
    return squares;
}

} // namespace velmorak
