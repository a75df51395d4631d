#include "rules/SanNotation.h"

#include <gtest/gtest.h>

#include "rules/CoordinateNotation.h"
#include "support/BoardPlay.h"
#include "support/PerftSuite.h"

using namespace velmorak;
using namespace velmorak::test;

namespace {

std::string read(const char* fen, const char* text)
{
    Board board(fen);
    Move m = readSan(board, text);
    return m == NoMove ? "none" : writeCoordinates(m);
}

TEST(SanWriter, DisambiguationPawnsPromotionsCastlingAndMarks)
{
    struct Row {
        const char *fen, *move, *san;
        bool marks = true;
    };
    const char* knights = "4k3/8/8/8/8/5N2/8/1N2K3 w - - 0 1";
    const char* rooks = "4k3/8/8/8/8/R7/8/R3K3 w - - 0 1";
    const char* pawns = "r1b5/1P1P4/7k/8/8/8/8/4K3 w - - 0 1";
    const char* mate = "6k1/5ppp/8/8/8/8/8/R3K3 w - - 0 1";
    const Row rows[] = {
        { knights, "b1d2", "Nbd2" },
        { knights, "f3d2", "Nfd2" },
        { rooks, "a1a2", "R1a2" },
        { rooks, "a3a2", "R3a2" },
        { "1k6/8/8/8/4Q2Q/8/K7/4r2Q w - - 0 1", "h4e1", "Qh4xe1" },
        { "4k3/8/8/8/8/8/8/1N1K1N2 w - - 0 1", "b1d2", "Nbd2" }, // same rank: the file
        { "4r1k1/8/8/8/8/8/4N3/1N2K3 w - - 0 1", "b1c3", "Nc3" }, // the e2 knight is pinned
        { "4k3/8/8/3p4/4P3/8/8/4K3 w - - 0 1", "e4d5", "exd5" },
        { "4k3/8/8/3pP3/8/8/8/4K3 w - d6 0 1", "e5d6", "exd6" },
        { "k7/4P3/8/8/8/8/8/4K3 w - - 0 1", "e7e8q", "e8=Q+" },
        { "r6k/1P6/7K/8/8/8/8/8 w - - 0 1", "b7a8n", "bxa8=N", false },
        { pawns, "b7c8q", "bxc8=Q" },
        { pawns, "d7c8q", "dxc8=Q" },
        { "3r3k/2P5/1P6/8/8/8/8/4K3 w - - 0 1", "c7d8q", "cxd8=Q+" },
        { "5k2/8/8/8/8/8/8/4K2R w K - 0 1", "e1g1", "O-O" }, // castling never gets a mark
        { "r3k3/8/8/8/8/8/8/4K3 b q - 0 1", "e8c8", "O-O-O" },
        { mate, "a1a8", "Ra8#" },
        { mate, "a1a8", "Ra8", false },
    };
    for (const Row& row : rows) {
        Board board(row.fen);
        Move m = move(board, row.move);
        ASSERT_NE(m, NoMove) << row.move << " in " << row.fen;
        EXPECT_EQ(writeSan(board, m, row.marks), row.san) << row.fen;
    }
    Board board;
    SanOptions options;
    options.move = move(board, "g1f3");
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

// What SAN the writer makes reads back (the round trip below); these are the other forms.
TEST(SanReader, TolerantForms)
{
    const char* start = kStartFen.data();
    const char* ep = "4k3/8/8/3pP3/8/8/8/4K3 w - d6 0 1";
    const char* castle = "r3k2r/8/8/8/8/8/8/R3K2R b KQkq - 0 1";
    const char* capture = "4k3/8/8/4p3/8/5N2/8/4K3 w - - 0 1";
    const char* promotion = "8/4P3/8/8/8/8/8/k3K3 w - - 0 1";
    const char* const rows[][3] = {
        { start, "Pe4", "e2e4" },
        { start, "e2e4", "e2e4" },
        { start, "e2-e4", "e2e4" },
        { start, "nf3", "g1f3" },
        { start, "Ngf3", "g1f3" },
        { start, "N1f3", "g1f3" },
        { start, "Ng1-f3", "g1f3" },
        { start, "Nf3!?", "g1f3" },
        { start, "Ke2", "none" },
        { start, "", "none" },
        { start, "zz9", "none" },
        { start, "e5", "none" },
        // Found first from d2 along the knight's steps.
        { "4k3/8/8/8/8/5N2/8/1N2K3 w - - 0 1", "Nd2", "f3d2" },
        { ep, "exd6ep", "e5d6" },
        { ep, "e5d6", "e5d6" },
        { ep, "ed6", "e5d6" },
        { castle, "0-0", "e8g8" },
        { castle, "0-0-0", "e8c8" },
        { castle, "o-o-o", "e8c8" },
        { capture, "Nf3xPe5", "f3e5" },
        { capture, "Ne5", "f3e5" },
        { "4k3/8/8/3p4/4P3/8/8/4K3 w - - 0 1", "e4d5", "e4d5" },
        { promotion, "e8N", "e7e8n" },
        { promotion, "e8", "none" },
    };
    for (const auto& row : rows)
        EXPECT_EQ(read(row[0], row[1]), row[2]) << row[1] << " in " << row[0];
}

TEST(SanReader, ShortcutsNeverAcceptAnIllegalMove)
{
    struct Row {
        const char *name, *fen, *text;
    };
    const Row rows[] = {
        { "pawn capture onto an empty square that is not en passant",
            "4k3/8/8/8/4P3/8/8/4K3 w - - 0 1", "exd5" },
        { "pawn capture onto an own piece", "4k3/8/8/3N4/4P3/8/8/4K3 w - - 0 1", "exd5" },
        { "pawn capture from a far file", "4k3/8/8/p7/1P6/8/8/4K3 w - - 0 1", "hxa5" },
        { "knight onto an own piece", "4k3/8/8/8/8/8/3P4/1N2K3 w - - 0 1", "Nd2" },
        { "pinned knight", "4r1k1/8/8/8/8/8/4N3/4K3 w - - 0 1", "Nc3" },
        { "push into check", "4k3/8/8/8/1b6/8/3P4/4K3 w - - 0 1", "d3" },
        { "push to the last rank without promotion", "4k3/P7/8/8/8/8/8/4K3 w - - 0 1", "a8" },
    };
    for (const Row& row : rows) {
        Board board(row.fen);
        Move m = readSan(board, row.text);
        EXPECT_TRUE(m == NoMove || board.isMoveLegal(m)) << row.name;
    }
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
