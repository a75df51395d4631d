#include "rules/SanNotation.h"

#include <gtest/gtest.h>

#include "PerftSuite.h"
#include "RulesTestHelpers.h"

using namespace velmorak;
using namespace velmorak::test;

namespace {

std::string san(const char* fen, const char* coordinates, bool checkMarks = true)
{
    Board board(fen);
    Move m = move(board, coordinates);
    EXPECT_NE(m, NoMove) << coordinates << " in " << fen;
    return writeSan(board, m, checkMarks);
}

std::string read(const char* fen, const char* text)
{
    Board board(fen);
    Move m = readSan(board, text);
    return m == NoMove ? "none" : writeCoordinates(m);
}

TEST(SanWriter, Disambiguation)
{
    const char* knights = "4k3/8/8/8/8/5N2/8/1N2K3 w - - 0 1";
    EXPECT_EQ(san(knights, "b1d2"), "Nbd2");
    EXPECT_EQ(san(knights, "f3d2"), "Nfd2");
    const char* rooks = "4k3/8/8/8/8/R7/8/R3K3 w - - 0 1";
    EXPECT_EQ(san(rooks, "a1a2"), "R1a2");
    EXPECT_EQ(san(rooks, "a3a2"), "R3a2");
    const char* queens = "1k6/8/8/8/4Q2Q/8/K7/4r2Q w - - 0 1";
    EXPECT_EQ(san(queens, "h4e1"), "Qh4xe1");
    EXPECT_EQ(san("4k3/8/8/8/8/8/8/1N1K1N2 w - - 0 1", "b1d2"), "Nbd2") << "same rank: file";
    // The e2 knight is pinned by the rook on e8: Nc3 needs no letter.
    EXPECT_EQ(san("4r1k1/8/8/8/8/8/4N3/1N2K3 w - - 0 1", "b1c3"), "Nc3");
}

TEST(SanWriter, PawnsPromotionsCastlingAndMarks)
{
    EXPECT_EQ(san("4k3/8/8/3p4/4P3/8/8/4K3 w - - 0 1", "e4d5"), "exd5");
    EXPECT_EQ(san("4k3/8/8/3pP3/8/8/8/4K3 w - d6 0 1", "e5d6"), "exd6");
    EXPECT_EQ(san("k7/4P3/8/8/8/8/8/4K3 w - - 0 1", "e7e8q"), "e8=Q+");
    EXPECT_EQ(san("r6k/1P6/7K/8/8/8/8/8 w - - 0 1", "b7a8n", false), "bxa8=N");
    EXPECT_EQ(san("r1b5/1P1P4/7k/8/8/8/8/4K3 w - - 0 1", "b7c8q"), "bxc8=Q");
    EXPECT_EQ(san("r1b5/1P1P4/7k/8/8/8/8/4K3 w - - 0 1", "d7c8q"), "dxc8=Q");
    EXPECT_EQ(san("3r3k/2P5/1P6/8/8/8/8/4K3 w - - 0 1", "c7d8q"), "cxd8=Q+");
    EXPECT_EQ(san("5k2/8/8/8/8/8/8/4K2R w K - 0 1", "e1g1"), "O-O") << "castling never gets +";
    EXPECT_EQ(san("r3k3/8/8/8/8/8/8/4K3 b q - 0 1", "e8c8"), "O-O-O");
    EXPECT_EQ(san("6k1/5ppp/8/8/8/8/8/R3K3 w - - 0 1", "a1a8"), "Ra8#");
    EXPECT_EQ(san("6k1/5ppp/8/8/8/8/8/R3K3 w - - 0 1", "a1a8", false), "Ra8");
}

TEST(SanWriter, ForcedFileAndRank)
{
    Board board;
    Move nf3 = move(board, "g1f3");
    SanOptions options;
    options.move = nf3;
    options.forceFile = true;
    EXPECT_EQ(writeSan(board, options), "Ngf3");
    options.forceFile = false;
    options.forceRank = true;
    EXPECT_EQ(writeSan(board, options), "N1f3");
    options.forceFile = true;
    EXPECT_EQ(writeSan(board, options), "Ng1f3");
}

TEST(SanReader, SimplifiedForms)
{
    EXPECT_EQ(simplifySan("O-O"), "oo");
    EXPECT_EQ(simplifySan("0-0"), "oo");
    EXPECT_EQ(simplifySan("o-o"), "oo");
    EXPECT_EQ(simplifySan("Nxe5+"), "ne5");
    EXPECT_EQ(simplifySan("e8=Q"), "e8q");
    EXPECT_EQ(simplifySan("exd6ep"), "ed6");
    EXPECT_EQ(simplifySan("Bb5!?"), "Bb5");
    EXPECT_EQ(simplifySan("ep"), "ep") << "too short to carry an ep suffix";
    EXPECT_EQ(simplifySan("a1234567890123456789012345").size(), 19u);
}

TEST(SanReader, TolerantForms)
{
    const char* start = "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1";
    struct Row {
        const char* fen;
        const char* text;
        const char* expected;
    };
    const char* ep = "4k3/8/8/3pP3/8/8/8/4K3 w - d6 0 1";
    const char* knights = "4k3/8/8/8/8/5N2/8/1N2K3 w - - 0 1";
    const char* castle = "r3k2r/8/8/8/8/8/8/R3K2R w KQkq - 0 1";
    const char* blackCastle = "r3k2r/8/8/8/8/8/8/R3K2R b KQkq - 0 1";
    const char* capture = "4k3/8/8/4p3/8/5N2/8/4K3 w - - 0 1";
    const Row rows[] = {
        { start, "e4", "e2e4" },
        { start, "Pe4", "e2e4" },
        { start, "e2e4", "e2e4" },
        { start, "e2-e4", "e2e4" },
        { start, "Nf3", "g1f3" },
        { start, "nf3", "g1f3" },
        { start, "Ngf3", "g1f3" },
        { start, "N1f3", "g1f3" },
        { start, "Ng1f3", "g1f3" },
        { start, "Ng1-f3", "g1f3" },
        { start, "Nf3!?", "g1f3" },
        { start, "Ke2", "none" },
        { start, "", "none" },
        { start, "zz9", "none" },
        { start, "e5", "none" },
        { knights, "Nbd2", "b1d2" },
        { knights, "Nfd2", "f3d2" },
        { knights, "Nd2", "f3d2" }, // found first from d2 along the knight's steps
        { ep, "exd6", "e5d6" },
        { ep, "exd6ep", "e5d6" },
        { ep, "e5d6", "e5d6" },
        { ep, "ed6", "e5d6" },
        { castle, "O-O", "e1g1" },
        { castle, "0-0", "e1g1" },
        { castle, "O-O-O", "e1c1" },
        { blackCastle, "0-0-0", "e8c8" },
        { blackCastle, "o-o-o", "e8c8" },
        { capture, "Nxe5", "f3e5" },
        { capture, "Nf3xPe5", "f3e5" },
        { capture, "Ne5", "f3e5" },
        { "4k3/8/8/3p4/4P3/8/8/4K3 w - - 0 1", "e4d5", "e4d5" },
        { "4k3/8/8/3p4/4P3/8/8/4K3 w - - 0 1", "exd5", "e4d5" },
        { "8/4P3/8/8/8/8/8/k3K3 w - - 0 1", "e8=Q", "e7e8q" },
        { "8/4P3/8/8/8/8/8/k3K3 w - - 0 1", "e8N", "e7e8n" },
        { "8/4P3/8/8/8/8/8/k3K3 w - - 0 1", "e8", "none" },
        { "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR b KQkq - 0 1", "Nf6", "g8f6" },
        { "4k3/8/8/8/8/8/8/2B1K3 w - - 0 1", "Bd2", "c1d2" },
        { "4k3/8/8/8/8/8/1P6/4K3 w - - 0 1", "b3", "b2b3" },
    };
    for (const Row& row : rows)
        EXPECT_EQ(read(row.fen, row.text), row.expected) << row.text << " in " << row.fen;
}

TEST(SanReader, ShortcutsNeverAcceptAnIllegalMove)
{
    struct Row {
        const char* name;
        const char* fen;
        const char* text;
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
