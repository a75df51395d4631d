#include "rules/Board.h"

#include <gtest/gtest.h>

#include "rules/CoordinateNotation.h"
#include "support/BoardPlay.h"

using namespace velmorak;
using namespace velmorak::test;

namespace {

TEST(Square, TextReadsEitherCaseAndLeavesRangeChecksToTheCaller)
{
    EXPECT_EQ(squareFromText("e4"), 0x43);
    EXPECT_EQ(squareFromText("E4"), 0x43);
    EXPECT_EQ(squareFromText("h8"), 0x77);
    EXPECT_FALSE(isOnBoard(squareFromText("i9")));
    EXPECT_EQ(squareFromText("e"), NoSquare);
    EXPECT_EQ(squareText(0x70), "h1");
}

TEST(BoardFen, ReadingIsTolerantAndWritesBackWhatWasKept)
{
    struct Row {
        const char* name;
        const char* in;
        const char* out; // nullptr: written back unchanged
        int pieces;
    };
    const Row rows[] = {
        { "start position", kStartFen.data(), nullptr, 32 },
        { "missing counters default to 0 and 1", "8/8/8/8/8/8/8/8 w - -",
            "8/8/8/8/8/8/8/8 w - - 0 1", 0 },
        { "rights without king and rook are dropped", "4k3/8/8/8/8/8/8/4K2R w KQkq - 0 1",
            "4k3/8/8/8/8/8/8/4K2R w K - 0 1", 3 },
        { "en passant without a taker is dropped",
            "rnbqkbnr/pppppppp/8/8/4P3/8/PPPP1PPP/RNBQKBNR b KQkq e3 0 1",
            "rnbqkbnr/pppppppp/8/8/4P3/8/PPPP1PPP/RNBQKBNR b KQkq - 0 1", 32 },
        { "en passant with a taker stays", "4k3/8/8/8/3pP3/8/8/4K3 b - e3 0 1", nullptr, 4 },
        { "an occupied en-passant square is dropped", "4k3/8/3n4/2PpP3/8/8/8/4K3 w - d6 0 1",
            "4k3/8/3n4/2PpP3/8/8/8/4K3 w - - 0 1", 6 },
        { "move number 0 reads as 1", "4k3/8/8/8/8/8/8/4K3 w - - 3 0",
            "4k3/8/8/8/8/8/8/4K3 w - - 3 1", 2 },
        { "negative counters", "4k3/8/8/8/8/8/8/4K3 b - - -3 -5", "4k3/8/8/8/8/8/8/4K3 b - - 0 1",
            2 },
        { "unknown letter is an empty square that counts as a piece",
            "rnbxkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1",
            "rnb1kbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1", 32 },
        { "a slash ends a rank early; the last rank reads on into the fields",
            "4k/8/8/8/8/8/8/K w - - 0 1", "4k3/8/8/8/8/8/8/K7 w - - 0 1", 9 },
        { "huge counters are clamped", "4k3/8/8/8/8/8/8/4K3 w - - 99999999999 77777777777",
            "4k3/8/8/8/8/8/8/4K3 w - - 32767 32767", 2 },
        { "empty text", "", "8/8/8/8/8/8/8/8 w - - 0 1", 0 },
    };
    for (const Row& row : rows) {
        Board board(row.in);
        EXPECT_EQ(board.fen(), row.out ? row.out : row.in) << row.name;
        EXPECT_EQ(board.pieceCount(), row.pieces) << row.name;
        EXPECT_EQ(board.sideNotToMove(), board.sideToMove() ^ 1) << row.name;
    }
    Board board("4k3/8/8/8/8/8/8/4K3 b - - 0 1");
    board.setFromFen("4k3/8/8/8/8/8/8/4K3 x - - 0 1");
    EXPECT_EQ(board.sideToMove(), kBlackSide) << "an unknown side letter keeps the side";
}

TEST(BoardFen, TruncatedTextNeverReadsPastItsEnd)
{
    // Every prefix of a full FEN, read from a buffer of exactly that size (AddressSanitizer
    // reports any read beyond it).
    const std::string full =
        "r3k2r/p1ppqpb1/bn2pnp1/3PN3/1p2P3/2N2Q1p/PPPBBPPP/R3K2R w KQkq - 10 33";
    for (std::size_t length = 0; length <= full.size(); ++length) {
        std::vector<char> exact(full.begin(), full.begin() + static_cast<long>(length));
        Board board;
        board.setFromFen(std::string_view(exact.data(), exact.size()));
        EXPECT_LE(board.fen().size(), Board::kMaxFenLength);
        EXPECT_EQ(board.historyLength(), 0u);
    }
}

TEST(BoardHistory, GrowsByDoublingAndUnmakesEveryPly)
{
    Board board("4k3/8/8/8/8/8/8/R3K3 w Q - 37 60");
    EXPECT_EQ(board.lastMove(), NoMove) << "an empty history has no last move";
    board.unmakeMove(); // nothing to undo: must do nothing
    std::vector<std::string> fens;
    for (int round = 0; round < 10; ++round)
        for (const char* text : { "a1a2", "e8d8", "a2a1", "d8e8" }) {
            fens.push_back(board.fen());
            play(board, { text });
        }
    EXPECT_EQ(board.historyLength(), 40u);
    EXPECT_EQ(writeCoordinates(board.lastMove()), "d8e8");
    Board copy = board;
    copy.unmakeMove();
    EXPECT_EQ(board.historyLength(), 40u) << "a copy has a history of its own";
    for (std::size_t i = fens.size(); i-- > 0;) {
        board.unmakeMove();
        ASSERT_EQ(board.fen(), fens[i]) << "after undoing ply " << i;
    }
}

TEST(BoardEdit, SettingPiecesKeepsTheCountAndIgnoresOffBoardSquares)
{
    Board board;
    board.clear();
    board.setPieceAt(0x40, kWhiteKing);
    board.setPieceAt(0x47, kBlackKing);
    board.setPieceAt(0x47, kBlackQueen);
    board.setPieceAt(0x08, kWhiteQueen); // off the board
    EXPECT_EQ(board.pieceCount(), 2);
    EXPECT_EQ(board.fen(), "4q3/8/8/8/8/8/8/4K3 w - - 0 1");
}

} // namespace
