#include <algorithm>
#include <set>

#include <gtest/gtest.h>

#include "RulesTestHelpers.h"
#include "rules/Board.h"

using namespace velmorak;
using namespace velmorak::test;

namespace {

TEST(GameEnd, MateAndStalemate)
{
    Board mate;
    play(mate, { "f2f3", "e7e5", "g2g4", "d8h4" });
    EXPECT_EQ(mate.gameEnd(), GameEndCode::Checkmate);
    Board stalemate("k7/2Q5/1K6/8/8/8/8/8 b - - 0 1");
    EXPECT_EQ(stalemate.gameEnd(), GameEndCode::Stalemate);
    Board kingless("8/8/8/8/8/8/8/R3K3 b - - 0 1");
    EXPECT_EQ(kingless.gameEnd(), GameEndCode::Stalemate) << "a side without king cannot move";
}

TEST(GameEnd, ThreefoldRepetitionOnTheThirdOccurrence)
{
    Board board;
    const std::vector<std::string> shuffle = { "g1f3", "g8f6", "f3g1", "f6g8" };
    play(board, shuffle);
    EXPECT_EQ(board.gameEnd(), GameEndCode::None) << "second occurrence";
    play(board, shuffle);
    EXPECT_EQ(board.gameEnd(), GameEndCode::ThreefoldRepetition);
    std::string fen = board.fen();
    EXPECT_EQ(board.gameEnd(), GameEndCode::ThreefoldRepetition) << "asking again";
    EXPECT_EQ(board.fen(), fen) << "the test leaves the board unchanged";
    EXPECT_EQ(board.historyLength(), 8u);
}

TEST(GameEnd, RepetitionNeedsTheSameRightsAndEnPassantSquare)
{
    // The rook leaves h1 and comes back: the position looks the same but the right is gone.
    Board board("r3k3/8/8/8/8/8/8/4K2R w Kq - 0 1");
    play(board, { "h1h2", "a8a7", "h2h1", "a7a8", "h1h2", "a8a7", "h2h1", "a7a8" });
    EXPECT_EQ(board.gameEnd(), GameEndCode::None) << "the start position had other rights";
    play(board, { "h1h2", "a8a7", "h2h1", "a7a8" });
    EXPECT_EQ(board.gameEnd(), GameEndCode::ThreefoldRepetition);
}

// Plays `count` reversible plies: quiet piece moves, no castling, none from a square in
// `frozen`; new positions are preferred, and none may be a third repetition.
void playReversiblePlies(Board& board, int count, const std::vector<Square>& frozen = {})
{
    std::set<std::string> seen;
    auto key = [&]() {
        return board.fen().substr(0, board.fen().rfind(' ', board.fen().rfind(' ') - 1));
    };
    for (int ply = 0; ply < count; ++ply) {
        MoveList moves;
        board.allLegalMoves(moves);
        Move fallback = NoMove;
        Move chosen = NoMove;
        for (Move m : moves) {
            if (!m.isQuiet() || isPawn(m.piece) ||
                std::find(frozen.begin(), frozen.end(), m.from) != frozen.end())
                continue;
            board.makeMove(m);
            GameEndCode code = board.gameEnd();
            bool fresh = !seen.count(key());
            board.unmakeMove();
            if (code != GameEndCode::None && code != GameEndCode::FiftyMoveRule)
                continue;
            if (fresh) {
                chosen = m;
                break;
            }
            if (fallback == NoMove)
                fallback = m;
        }
        if (chosen == NoMove)
            chosen = fallback;
        ASSERT_NE(chosen, NoMove) << "no reversible ply in " << board.fen();
        board.makeMove(chosen);
        seen.insert(key());
    }
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

TEST(GameEnd, InsufficientMaterial)
{
    struct Row {
        const char* name;
        const char* fen;
        GameEndCode code;
    };
    const Row rows[] = {
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

} // namespace
