#include "rules/PositionValidation.h"

#include <gtest/gtest.h>

using namespace velmorak;

namespace {

TEST(PositionValidation, RulesInOrder)
{
    struct Row {
        const char *name, *fen;
        PositionFault fault;
    };
    const Row rows[] = {
        { "start position", "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1",
            PositionFault::None },
        { "two white kings, no black king", "8/8/8/8/8/8/8/KK6 w - - 0 1",
            PositionFault::KingCount },
        { "nine white pawns", "4k3/8/8/8/8/P7/PPPPPPPP/4K3 w - - 0 1",
            PositionFault::TooManyPawns },
        { "seventeen white men", "4k3/8/8/8/8/N7/PPPPPPPP/RNBQKBNR w - - 0 1",
            PositionFault::TooManyMen },
        { "white pawn on a8", "P3k3/8/8/8/8/8/8/4K3 w - - 0 1", PositionFault::PawnOnBackRank },
        { "black pawn on h1", "4k3/8/8/8/8/8/8/4K2p w - - 0 1", PositionFault::PawnOnBackRank },
        { "three knights and eight pawns", "4k3/8/8/8/8/8/PPPPPPPP/1NN1K1N1 w - - 0 1",
            PositionFault::TooManyPromotedPieces },
        { "full promoted set", "4k3/8/8/8/8/8/PPPPPPPP/RNBQKBNR w - - 0 1", PositionFault::None },
        { "seven pawns and two queens", "4k3/8/8/8/8/8/PPPPPPP1/RNBQKBNQ w - - 0 1",
            PositionFault::None },
        { "eight pawns and two queens", "4k3/8/8/8/8/Q7/PPPPPPPP/RNB1KBNQ w - - 0 1",
            PositionFault::TooManyPromotedPieces },
        { "side not to move in check", "4k3/8/8/8/8/8/8/4K2R w - - 0 1" /* rook gives no check */,
            PositionFault::None },
        { "black in check with white to move", "4k3/8/8/8/8/8/8/4R1K1 w - - 0 1",
            PositionFault::SideNotToMoveInCheck },
        { "castling right K with the rook on g1", "4k3/8/8/8/8/8/8/4K1R1 w - - 0 1",
            PositionFault::None },
    };
    for (const Row& row : rows) {
        Board board(row.fen);
        EXPECT_EQ(firstPositionFault(board), row.fault) << row.name;
        EXPECT_EQ(validatePosition(board), row.fault == PositionFault::None) << row.name;
    }
}

TEST(PositionValidation, CastlingAndEnPassantFieldsSetByTheDetailsDialog)
{
    Board board("4k3/8/8/8/8/8/8/4K1R1 w - - 0 1");
    board.setCastlingRights(kWhiteShortRight);
    EXPECT_EQ(firstPositionFault(board), PositionFault::CastlingWithoutKingAndRook);

    Board ep("4k3/8/8/3p4/8/8/8/4K3 w - - 0 1");
    ep.setEnPassantSquare(squareFromText("d6"));
    EXPECT_TRUE(validatePosition(ep)) << "a black pawn on d5 stands below d6";
    Board noPawn("4k3/8/8/8/8/8/8/4K3 w - - 0 1");
    noPawn.setEnPassantSquare(squareFromText("d6"));
    EXPECT_EQ(firstPositionFault(noPawn), PositionFault::EnPassantWithoutPawn);
}

TEST(PositionValidation, SideSwapMakesACheckedSideToMoveLegal)
{
    Board board("4k3/8/8/8/8/8/8/4R1K1 w - - 0 1");
    EXPECT_TRUE(validateAllowingSideSwap(board));
    EXPECT_EQ(board.sideToMove(), kBlackSide);
    EXPECT_EQ(board.sideNotToMove(), kWhiteSide);

    Board hopeless("8/8/8/8/8/8/8/KK6 w - - 0 1");
    EXPECT_FALSE(validateAllowingSideSwap(hopeless));
    EXPECT_EQ(hopeless.sideToMove(), kWhiteSide) << "a failed swap is undone";
}

} // namespace
