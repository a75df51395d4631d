#include "rules/SanNotation.h"

#include <gtest/gtest.h>

#include "rules/CoordinateNotation.h"
#include "support/MoveText.h"
#include "support/PerftSuite.h"
#include "support/TableFile.h"

using namespace velmorak;
using namespace velmorak::test;

namespace {

TEST(SanNotation, WrittenAndReadAsTheCasesSay)
{
    const auto rows = readTableFile(VELMORAK_SOURCE_DIR "/tests/rules/san-cases.txt");
    ASSERT_GE(rows.size(), 40u);
    for (const TableRow& row : rows) {
        ASSERT_GE(row.size(), 4u) << row[0];
        Board board(row[1]);
        if (row[0] == "write") {
            Move m = moveIn(board, row[2]);
            ASSERT_NE(m, NoMove) << row[2] << " in " << row[1];
            EXPECT_EQ(writeSan(board, m, true), row[3]) << row[1];
            EXPECT_EQ(writeSan(board, m, false), row.back()) << row[1];
        } else {
            Move m = readSan(board, row[2]);
            EXPECT_EQ(m == NoMove ? "none" : writeCoordinates(m), row[3])
                << row[2] << " in " << row[1];
        }
    }
    Board board;
    SanOptions options;
    options.move = moveIn(board, "g1f3");
    options.forceFile = true;
    EXPECT_EQ(writeSan(board, options), "Ngf3");
    options.forceRank = true;
    EXPECT_EQ(writeSan(board, options), "Ng1f3");
    options.forceFile = false;
    EXPECT_EQ(writeSan(board, options), "N1f3");
}

TEST(SanReader, SimplifiedForms)
{
    const std::pair<const char*, const char*> rows[] = { { "O-O", "oo" }, { "0-0", "oo" },
        { "o-o", "oo" }, { "Nxe5+", "ne5" }, { "e8=Q", "e8q" }, { "exd6ep", "ed6" },
        { "Bb5!?", "Bb5" }, { "ep", "ep" } };
    for (const auto& [text, simple] : rows)
        EXPECT_EQ(simplifySan(text), simple) << text;
    EXPECT_EQ(simplifySan("a1234567890123456789012345").size(), 19u);
}

// Every legal move of a varied set of positions: its SAN, with and without check marks,
// reads back as the same move.
TEST(SanRoundTrip, EveryLegalMoveOfTheSuitePositions)
{
    int checked = 0;
    for (const PerftCase& c : allPerftCases()) {
        Board board(c.fen);
        for (int ply = 0; ply < 3; ++ply) {
            MoveList moves;
            board.allLegalMoves(moves);
            for (Move m : moves) {
                for (bool marks : { false, true }) {
                    std::string text = writeSan(board, m, marks);
                    ASSERT_EQ(readSan(board, text), m) << text << " in " << board.fen();
                    ++checked;
                }
                // Coordinates are a tolerant form too, except for promotions ("e7e8q").
                if (!m.isPromotion()) {
                    ASSERT_EQ(readSan(board, writeCoordinates(m)), m)
                        << writeCoordinates(m) << " in " << board.fen();
                }
            }
            if (moves.empty())
                break;
            board.makeMove(moves[moves.size() / 2]);
        }
    }
    EXPECT_GT(checked, 10000);
}

} // namespace
