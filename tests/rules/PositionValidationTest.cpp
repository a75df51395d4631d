#include "rules/PositionValidation.h"

#include <gtest/gtest.h>

#include "support/TableFile.h"

using namespace velmorak;

namespace {

TEST(PositionValidation, RulesInOrder)
{
    const auto rows = readTableFile(VELMORAK_SOURCE_DIR "/tests/rules/board-cases.txt", "valid");
    ASSERT_GE(rows.size(), 13u);
    for (const TableRow& row : rows) {
        Board board(row.at(2));
        EXPECT_EQ(positionFaultText(firstPositionFault(board)), row.at(3)) << row[1];
        EXPECT_EQ(validatePosition(board), row[3] == "legal") << row[1];
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
