#include "rules/Board.h"

#include <gtest/gtest.h>

#include "rules/CoordinateNotation.h"
#include "rules/PositionValidation.h"
#include "support/MoveText.h"
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

TEST(GameEnd, MaterialMateAndStalemate)
{
    const auto rows = readTableFile(VELMORAK_SOURCE_DIR "/tests/rules/board-cases.txt", "end");
    ASSERT_GE(rows.size(), 9u);
    for (const TableRow& row : rows) {
        Board board(row.at(2));
        EXPECT_EQ(static_cast<int>(board.gameEnd()), std::stoi(row.at(3))) << row[1];
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

TEST(GameEnd, FiftyMoveRuleAfterOneHundredReversiblePliesCountedFromCastling)
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

TEST(PositionValidation, RulesInOrder)
{
    const auto rows = readTableFile(VELMORAK_SOURCE_DIR "/tests/rules/board-cases.txt", "valid");
    ASSERT_GE(rows.size(), 13u);
    for (const TableRow& row : rows) {
        Board board(row.at(2));
        EXPECT_EQ(positionFaultText(firstPositionFault(board)), row.at(3)) << row[1];
        EXPECT_EQ(validatePosition(board), row[3] == "legal") << row[1];
    }
}

TEST(PositionValidation, CastlingAndEnPassantFieldsSetByTheDetailsDialog)
{
    Board board("4k3/8/8/8/8/8/8/4K1R1 w - - 0 1");
    board.setCastlingRights(kWhiteShortRight);
    EXPECT_EQ(firstPositionFault(board), PositionFault::CastlingWithoutKingAndRook);

    Board ep("4k3/8/8/3p4/8/8/8/4K3 w - - 0 1");
    ep.setEnPassantSquare(squareFromText("d6"));
    EXPECT_TRUE(validatePosition(ep)) << "a black pawn on d5 stands below d6";
    Board noPawn("4k3/8/8/8/8/8/8/4K3 w - - 0 1");
    noPawn.setEnPassantSquare(squareFromText("d6"));
    EXPECT_EQ(firstPositionFault(noPawn), PositionFault::EnPassantWithoutPawn);
}

TEST(PositionValidation, SideSwapMakesACheckedSideToMoveLegal)
{
    Board board("4k3/8/8/8/8/8/8/4R1K1 w - - 0 1");
    EXPECT_TRUE(validateAllowingSideSwap(board));
    EXPECT_EQ(board.sideToMove(), kBlackSide);
    EXPECT_EQ(board.sideNotToMove(), kWhiteSide);

    Board hopeless("8/8/8/8/8/8/8/KK6 w - - 0 1");
    EXPECT_FALSE(validateAllowingSideSwap(hopeless));
    EXPECT_EQ(hopeless.sideToMove(), kWhiteSide) << "a failed swap is undone";
}

} // namespace
