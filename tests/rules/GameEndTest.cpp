#include <gtest/gtest.h>

#include "rules/Board.h"
#include "support/BoardPlay.h"
#include "support/TableFile.h"

using namespace velmorak;
using namespace velmorak::test;

namespace {

TEST(GameEnd, MaterialMateAndStalemate)
{
    const auto rows = readTableFile(VELMORAK_SOURCE_DIR "/tests/rules/board-cases.txt", "end");
    ASSERT_GE(rows.size(), 9u);
    for (const TableRow& row : rows) {
        Board board(row.at(2));
        EXPECT_EQ(static_cast<int>(board.gameEnd()), std::stoi(row.at(3))) << row[1];
    }
}

TEST(GameEnd, ThreefoldRepetitionNeedsTheSameRightsAndLeavesTheBoardAlone)
{
    Board board;
    const std::vector<std::string> shuffle = { "g1f3", "g8f6", "f3g1", "f6g8" };
    play(board, shuffle);
    EXPECT_EQ(board.gameEnd(), GameEndCode::None) << "second occurrence";
    play(board, shuffle);
    EXPECT_EQ(board.gameEnd(), GameEndCode::ThreefoldRepetition);
    std::string fen = board.fen();
    EXPECT_EQ(board.gameEnd(), GameEndCode::ThreefoldRepetition) << "asking again";
    EXPECT_EQ(board.fen(), fen);
    EXPECT_EQ(board.historyLength(), 8u);

    // The rook leaves h1 and comes back: the position looks the same but the right is gone.
    Board rights("r3k3/8/8/8/8/8/8/4K2R w Kq - 0 1");
    const std::vector<std::string> rook = { "h1h2", "a8a7", "h2h1", "a7a8" };
    play(rights, rook);
    play(rights, rook);
    EXPECT_EQ(rights.gameEnd(), GameEndCode::None) << "the start position had other rights";
    play(rights, rook);
    EXPECT_EQ(rights.gameEnd(), GameEndCode::ThreefoldRepetition);
}

TEST(GameEnd, FiftyMoveRuleAfterOneHundredReversiblePliesCountedFromCastling)
{
    // The pawn wall keeps the black king away from the white castling squares.
    Board board("4k3/8/8/8/8/8/PPPPPPPP/RN2K2R w K - 0 1");
    playReversiblePlies(board, 98, { 0x40, 0x70 });
    ASSERT_EQ(board.sideToMove(), kWhiteSide);
    ASSERT_TRUE(board.isMoveLegal(kWhiteShortCastling)) << board.fen();
    board.makeMove(kWhiteShortCastling);
    playReversiblePlies(board, 99);
    EXPECT_EQ(board.gameEnd(), GameEndCode::None) << "99 plies since castling, 197 in all";
    playReversiblePlies(board, 1);
    EXPECT_EQ(board.gameEnd(), GameEndCode::FiftyMoveRule);
}

} // namespace
