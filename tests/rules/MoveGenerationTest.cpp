#include <gtest/gtest.h>

#include "rules/Board.h"
#include "rules/CoordinateNotation.h"
#include "rules/Perft.h"
#include "support/BoardPlay.h"

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

TEST(MoveGeneration, Castling)
{
    struct Row {
        const char *name, *fen;
        bool shortAllowed, longAllowed;
    };
    const Row rows[] = {
        { "free", "r3k2r/8/8/8/8/8/8/R3K2R w KQkq - 0 1", true, true },
        { "f1 attacked", "r3k2r/8/8/8/8/8/5r2/R3K2R w KQkq - 0 1", false, true },
        { "g1 attacked", "r3k2r/8/8/8/8/8/6r1/R3K2R w KQkq - 0 1", false, true },
        { "in check", "r3k2r/8/8/8/8/8/4r3/R3K2R w KQkq - 0 1", false, false },
        { "only b1 attacked", "r3k2r/8/8/8/8/8/1r6/R3K2R w KQkq - 0 1", true, true },
        { "b1 occupied", "r3k2r/8/8/8/8/8/8/RN2K2R w KQkq - 0 1", true, false },
        { "no rights", "r3k2r/8/8/8/8/8/8/R3K2R w kq - 0 1", false, false },
    };
    for (const Row& row : rows) {
        Board board(row.fen);
        EXPECT_EQ(board.isMoveLegal(kWhiteShortCastling), row.shortAllowed) << row.name;
        EXPECT_EQ(board.isMoveLegal(kWhiteLongCastling), row.longAllowed) << row.name;
    }
}

TEST(MoveGeneration, MakingMovesKeepsRightsClockAndEnPassantSquare)
{
    struct Row {
        const char *name, *fen;
        Texts moves;
        const char* after;
    };
    const Row rows[] = {
        { "castling moves the rook", "r3k2r/8/8/8/8/8/8/R3K2R w KQkq - 5 1", { "e1g1", "e8c8" },
            "2kr3r/8/8/8/8/8/8/R4RK1 w - - 0 2" },
        { "a rook leaving h1 clears K", "r3k2r/8/8/8/8/8/8/R3K2R w KQkq - 0 1", { "h1h5" },
            "r3k2r/8/8/7R/8/8/8/R3K3 b Qkq - 1 1" },
        { "a capture on a1 clears Q", "r3k2r/8/8/8/8/8/8/R3K2R b KQkq - 0 1", { "a8a1" },
            "4k2r/8/8/8/8/8/8/r3K2R w Kk - 0 2" },
        { "piece moves count the clock", "r3k2r/pppppppp/8/8/8/8/PPPPPPPP/R3K1NR w KQkq - 0 1",
            { "g1f3", "h8g8" }, "r3k1r1/pppppppp/8/8/8/5N2/PPPPPPPP/R3K2R w KQq - 2 2" },
        { "no en passant without a taker", kStartFen.data(), { "e2e4" },
            "rnbqkbnr/pppppppp/8/8/4P3/8/PPPP1PPP/RNBQKBNR b KQkq - 0 1" },
        { "en passant", kStartFen.data(), { "e2e4", "a7a6", "e4e5", "d7d5", "e5d6" },
            "rnbqkbnr/1pp1pppp/p2P4/8/8/8/PPPP1PPP/RNBQKBNR b KQkq - 0 3" },
    };
    for (const Row& row : rows) {
        Board board(row.fen);
        play(board, row.moves);
        EXPECT_EQ(board.fen(), row.after) << row.name;
    }
    Board board("r3k2r/pppppppp/8/8/8/8/PPPPPPPP/R3K2R w KQkq - 7 1");
    EXPECT_FALSE(board.makeMove(kWhiteShortCastling)) << "castling is irreversible";
    EXPECT_EQ(board.halfMoveClock(), 0);
    Board ep("4k3/8/8/3pP3/8/8/8/4K3 w - d6 0 1");
    EXPECT_EQ(move(ep, "e5d6"), (Move { 0x44, kWhitePawn, 0x35, kWhiteTakesEnPassant }));
    ep.makeMove(move(ep, "e5d6"));
    EXPECT_EQ(ep.pieceCount(), 3);
    Board pinned("8/8/8/KPp4r/8/8/8/4k3 w - c6 0 1");
    EXPECT_EQ(move(pinned, "b5c6"), NoMove) << "a pawn pinned along the rank";
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
