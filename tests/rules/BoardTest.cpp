#include "rules/Board.h"

#include <gtest/gtest.h>

#include "rules/CoordinateNotation.h"
#include "support/BoardPlay.h"
#include "support/TableFile.h"

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
    const auto rows = readTableFile(VELMORAK_SOURCE_DIR "/tests/rules/board-cases.txt", "fen");
    ASSERT_GE(rows.size(), 11u);
    for (const TableRow& row : rows) {
        Board board(row.at(2));
        EXPECT_EQ(board.fen(), row.at(3) == "same" ? row[2] : row[3]) << row[1];
        EXPECT_EQ(board.pieceCount(), std::stoi(row.at(4))) << row[1];
        EXPECT_EQ(board.sideNotToMove(), board.sideToMove() ^ 1) << row[1];
    }
    Board board("4k3/8/8/8/8/8/8/4K3 b - - 0 1");
    board.setFromFen("4k3/8/8/8/8/8/8/4K3 x - - 0 1");
    EXPECT_EQ(board.sideToMove(), kBlackSide) << "an unknown side letter keeps the side";
    board.setFromFen("");
    EXPECT_EQ(board.fen(), "8/8/8/8/8/8/8/8 b - - 0 1");
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
