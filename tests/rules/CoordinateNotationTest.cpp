#include "rules/CoordinateNotation.h"

#include <gtest/gtest.h>

#include "support/MoveText.h"
#include "support/TableFile.h"

using namespace velmorak;
using namespace velmorak::test;

namespace {

TEST(CoordinateWriter, PlainPromotionAndNull)
{
    EXPECT_EQ(writeCoordinates({ 0x14, kWhitePawn, 0x16, kQuietFlags }), "b5b7");
    EXPECT_EQ(writeCoordinates({ 0x46, kWhiteQueen, 0x47, 0x17 }), "e7e8q");
    EXPECT_EQ(writeCoordinates({ 0x41, kBlackKnight, 0x40, 0x17 }), "e2e1n");
    EXPECT_EQ(writeCoordinates(NullMove), "null");
}

TEST(CoordinateMaker, PlaysWhatTheBoardImpliesAndTextWithoutSquaresNothing)
{
    const auto rows =
        readTableFile(VELMORAK_SOURCE_DIR "/tests/rules/board-cases.txt", "coordinates");
    ASSERT_GE(rows.size(), 13u);
    for (const TableRow& row : rows) {
        Board board(row.at(2));
        EXPECT_EQ(makeCoordinateMove(board, row.at(3)), row.at(5) == "reversible") << row[1];
        EXPECT_EQ(board.fen(), row[4]) << row[1];
        EXPECT_EQ(board.historyLength(), row[5] == "refused" ? 0u : 1u) << row[1];
    }
}

TEST(CoordinateToken, ReadsALineOfMoves)
{
    Board board;
    const std::string line = "  e2e4 e7e5  g1f3 b8c6 f1b5 zzzz";
    std::size_t cursor = 0;
    std::vector<std::string> read;
    for (Move m; (m = readCoordinateToken(board, line, cursor)) != NoMove; board.makeMove(m))
        read.push_back(writeCoordinates(m));
    EXPECT_EQ(read, (std::vector<std::string> { "e2e4", "e7e5", "g1f3", "b8c6", "f1b5" }));
    std::size_t end = line.size() - 1;
    EXPECT_EQ(readCoordinateToken(board, line, end), NoMove) << "fewer than four characters";
}

TEST(CoordinateToken, RefusesWhatNamesNoLegalMoveAndReadsPromotionLetters)
{
    const char* kiwipete = "r3k2r/p1ppqpb1/bn2pnp1/3PN3/1p2P3/2N2Q1p/PPPBBPPP/R3K2R w KQkq - 0 1";
    const char* white = "8/4P3/8/8/8/8/8/k3K3 w - - 0 1";
    struct Row {
        const char *fen, *text;
        Move expected;
        std::size_t cursor;
    };
    const Row rows[] = {
        { kiwipete, "2a a1", NoMove, 5 }, // would wrap around to e1c1
        { kiwipete, "a8b8", NoMove, 4 }, // a black rook's move
        { white, "e7e8N", { 0x46, kWhiteKnight, 0x47, 0x17 }, 5 },
        { white, "e7e8", NoMove, 4 }, // a promotion needs its letter
        { white, "e7e8x", NoMove, 5 }, // an unknown letter is consumed
        { "k3K3/8/8/8/8/8/4p3/8 b - - 0 1", "e2e1r", { 0x41, kBlackRook, 0x40, 0x17 }, 5 },
    };
    for (const Row& row : rows) {
        Board board(row.fen);
        std::size_t cursor = 0;
        EXPECT_EQ(readCoordinateToken(board, row.text, cursor), row.expected) << row.text;
        EXPECT_EQ(cursor, row.cursor) << row.text;
    }
}

} // namespace
