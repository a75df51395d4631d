#include <iterator>
#include <sstream>

#include <gtest/gtest.h>

#include "rules/Board.h"
#include "rules/CoordinateNotation.h"
#include "rules/Perft.h"
#include "support/MoveText.h"
#include "support/TableFile.h"

using namespace velmorak;
using namespace velmorak::test;

namespace {

using Texts = std::vector<std::string>;

TEST(MoveGeneration, ListsFollowTheFixedOrder)
{
    Board board;
    EXPECT_EQ(legalCoordinates(board),
        (Texts { "a2a3", "a2a4", "b1a3", "b1c3", "b2b3", "b2b4", "c2c3", "c2c4", "d2d3", "d2d4",
            "e2e3", "e2e4", "f2f3", "f2f4", "g1f3", "g1h3", "g2g3", "g2g4", "h2h3", "h2h4" }));
    // The step tables: white knight -31, +33, -33, +31, -14, +18, -18, +14, black mirrored.
    EXPECT_EQ(squareCoordinates(Board("4k3/8/8/8/3N4/8/8/4K3 w - - 0 1"), "d4"),
        (Texts { "d4b5", "d4f5", "d4b3", "d4f3", "d4c6", "d4e6", "d4c2", "d4e2" }));
    EXPECT_EQ(squareCoordinates(Board("4k3/8/8/8/3n4/8/8/4K3 b - - 0 1"), "d4"),
        (Texts { "d4b3", "d4f3", "d4b5", "d4f5", "d4c2", "d4e2", "d4c6", "d4e6" }));
    // Castling first, short before long.
    EXPECT_EQ(squareCoordinates(Board("r3k2r/8/8/8/8/8/8/R3K2R w KQkq - 0 1"), "e1").at(1), "e1c1");

    Board promotion("5r1k/4P3/8/8/8/8/8/K7 w - - 0 1");
    SquareMoveList list;
    promotion.legalMoves(0x46, list);
    ASSERT_EQ(list.size(), 8u);
    const PieceCode order[4] = { kWhiteQueen, kWhiteKnight, kWhiteRook, kWhiteBishop };
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(list[i], (Move { 0x46, order[i], 0x47, 0x17 }));
        EXPECT_EQ(list[4 + i], (Move { 0x46, order[i], 0x57, 0x80 | 0x10 | kBlackRook }));
    }
}

TEST(MoveGeneration, CastlingAndMadeMovesKeepRightsClockAndEnPassantSquare)
{
    const std::string cases = VELMORAK_SOURCE_DIR "/tests/rules/board-cases.txt";
    const auto castling = readTableFile(cases, "castling");
    ASSERT_GE(castling.size(), 7u);
    for (const TableRow& row : castling) {
        Board board(row.at(2));
        EXPECT_EQ(board.isMoveLegal(kWhiteShortCastling), row.at(3) == "yes") << row[1];
        EXPECT_EQ(board.isMoveLegal(kWhiteLongCastling), row.at(4) == "yes") << row[1];
    }
    const auto played = readTableFile(cases, "play");
    ASSERT_GE(played.size(), 6u);
    for (const TableRow& row : played) {
        Board board(row.at(2));
        std::istringstream moves(row.at(3));
        play(board, Texts(std::istream_iterator<std::string>(moves), {}));
        EXPECT_EQ(board.fen(), row.at(4)) << row[1];
    }
    Board pinned("8/8/8/KPp4r/8/8/8/4k3 w - c6 0 1");
    EXPECT_EQ(moveIn(pinned, "b5c6"), NoMove) << "a pawn pinned along the rank";
}

TEST(MoveGeneration, CrowdedPlacementsKeepEveryMove)
{
    struct Row {
        const char *name, *fen;
        std::size_t legal;
    };
    const Row rows[] = {
        { "26 queens", "QQQQQQQk/Q6Q/Q4Q1Q/Q6Q/Q6Q/Q6Q/Q6Q/KQQQQQQQ w - - 0 1", 279 },
        { "queens and promotions", "1n1n1n1k/PPPPPPP1/8/2Q2Q2/8/Q2Q2Q1/8/K3Q3 w - - 0 1", 134 },
    };
    for (const Row& row : rows) {
        Board board(row.fen);
        MoveList legal, pseudo;
        board.allLegalMoves(legal);
        EXPECT_EQ(legal.size(), row.legal) << row.name;
        EXPECT_EQ(board.legalMoveCount(), row.legal) << row.name;
        EXPECT_EQ(perftDivide(board, 1).size(), row.legal) << row.name;
        board.allPseudoLegalMoves(pseudo);
        std::size_t perSquare = 0;
        for (Square square = 0; square < 0x78; ++square) {
            SquareMoveList list;
            board.pseudoLegalMoves(square, list);
            perSquare += isWhitePiece(board.pieceAt(square)) ? list.size() : 0;
        }
        EXPECT_EQ(pseudo.size(), perSquare) << row.name;
    }
}

TEST(MoveGeneration, NullMoveAndKinglessSides)
{
    Board board;
    play(board, { "e2e4", "d7d5", "e4e5", "f7f5" });
    EXPECT_TRUE(board.makeMove(NullMove));
    EXPECT_EQ(board.enPassantSquare(), 0);
    EXPECT_EQ(board.sideToMove(), kBlackSide);
    EXPECT_EQ(board.lastMove(), NullMove);
    board.unmakeMove();
    EXPECT_EQ(board.fen(), "rnbqkbnr/ppp1p1pp/8/3pPp2/8/8/PPPP1PPP/RNBQKBNR w KQkq f6 0 3");

    Board kingless("8/8/8/8/8/8/4P3/R7 w - - 0 1");
    EXPECT_TRUE(legalCoordinates(kingless).empty());
    EXPECT_FALSE(kingless.isLegal({ 0x00, kWhiteRook, 0x01, kQuietFlags }, 0x40));
}

TEST(Lookups, FindMoveAndUniqueMoves)
{
    Board board("4k3/1P6/8/8/8/8/R6R/4K3 w - - 0 1");
    EXPECT_EQ(board.uniqueMoveTo(squareFromText("d2")), AmbiguousMove) << "both rooks reach d2";
    Move promotion = board.uniqueMoveTo(squareFromText("b8"));
    EXPECT_EQ(promotion, (Move { 0x16, kWhiteQueen, 0x17, 0x17 }));
    EXPECT_EQ(board.uniqueMoveFrom(squareFromText("b7")), promotion);
    EXPECT_EQ(board.uniqueMoveTo(squareFromText("h8")), board.findMove(0x71, 0x77, kEmpty));
    EXPECT_EQ(board.uniqueMoveTo(squareFromText("c5")), NoMove);
    EXPECT_EQ(board.findMove(0x16, 0x17, kWhiteKnight).piece, kWhiteKnight);
    EXPECT_EQ(board.findMove(0x16, 0x17, kEmpty), NoMove) << "a promotion needs its piece";
    EXPECT_EQ(board.findMove(0x16, 0x17, kBlackKnight), NoMove) << "of the mover's colour";
}

TEST(Lookups, MoveReachingSquaresAndHistoryComparison)
{
    Board board;
    BoardSquares start = board.squares();
    play(board, { "e2e4" });
    BoardSquares afterE4 = board.squares();
    play(board, { "e7e5" });
    Board probe;
    EXPECT_EQ(writeCoordinates(probe.moveReachingSquares(afterE4)), "e2e4");
    EXPECT_EQ(probe.moveReachingSquares(board.squares()), NoMove);
    EXPECT_EQ(probe.fen(), kStartFen) << "probing leaves the board as it was";

    EXPECT_EQ(board.compareWithHistory(afterE4), 1);
    EXPECT_EQ(board.compareWithHistory(start), 2);
    EXPECT_EQ(board.compareWithHistory(board.squares()), 0);
    EXPECT_EQ(Board().compareWithHistory(start), 0) << "an empty history matches nothing";
}

} // namespace
