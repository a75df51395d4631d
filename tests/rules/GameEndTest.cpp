#include <gtest/gtest.h>

#include "rules/Board.h"
#include "support/BoardPlay.h"

using namespace velmorak;
using namespace velmorak::test;

namespace {

TEST(GameEnd, MaterialMateAndStalemate)
{
    struct Row {
        const char *name, *fen;
        GameEndCode code;
    };
    const Row rows[] = {
        { "mate", "rnb1kbnr/pppp1ppp/8/4p3/6Pq/5P2/PPPPP2P/RNBQKBNR w KQkq - 1 3",
            GameEndCode::Checkmate },
        { "stalemate", "k7/2Q5/1K6/8/8/8/8/8 b - - 0 1", GameEndCode::Stalemate },
        { "a side without king cannot move", "8/8/8/8/8/8/8/R3K3 b - - 0 1",
            GameEndCode::Stalemate },
        { "K+B v K+B", "4k3/8/3b4/8/8/3B4/8/4K3 w - - 0 1", GameEndCode::InsufficientMaterial },
        { "K+N v K", "4k3/8/8/8/8/3N4/8/4K3 w - - 0 1", GameEndCode::InsufficientMaterial },
        { "K v K", "4k3/8/8/8/8/8/8/4K3 w - - 0 1", GameEndCode::InsufficientMaterial },
        { "K+N+N v K", "4k3/8/8/8/8/3NN3/8/4K3 w - - 0 1", GameEndCode::None },
        { "K+B+B v K", "4k3/8/8/8/8/3BB3/8/4K3 w - - 0 1", GameEndCode::None },
        { "K+P v K", "4k3/8/8/8/8/3P4/8/4K3 w - - 0 1", GameEndCode::None },
    };
    for (const Row& row : rows) {
        Board board(row.fen);
        EXPECT_EQ(board.gameEnd(), row.code) << row.name;
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

TEST(GameEnd, FiftyMoveRuleAfterOneHundredReversiblePlies)
{
    Board board("7k/8/8/8/8/8/8/K6R w - - 0 1");
    playReversiblePlies(board, 99);
    EXPECT_EQ(board.gameEnd(), GameEndCode::None) << "99 plies";
    playReversiblePlies(board, 1);
    EXPECT_EQ(board.gameEnd(), GameEndCode::FiftyMoveRule) << "100 plies";
}

TEST(GameEnd, CastlingRestartsTheFiftyMoveCount)
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
