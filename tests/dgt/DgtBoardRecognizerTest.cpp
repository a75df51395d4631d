#include "dgt/DgtBoardRecognizer.h"

#include <gtest/gtest.h>

#include "rules/Board.h"
#include "support/SimulatedDgtBoard.h"

namespace velmorak {
namespace {

using Code = DgtEventCode;
using test::SimulatedDgtBoard;

constexpr std::uint8_t kWhitePawn = 1;
constexpr std::uint8_t kWhiteRook = 2;
constexpr std::uint8_t kBlackPawn = 7;
constexpr std::uint8_t kBlackRook = 8;

// An image from pieces on named squares: {"e1", 5}, ...
DgtBoardImage imageOf(std::initializer_list<std::pair<const char*, std::uint8_t>> pieces)
{
    DgtBoardImage image {};
    for (const auto& [square, piece] : pieces)
        image[static_cast<std::size_t>(SimulatedDgtBoard::squareIndex(square))] = piece;
    return image;
}

TEST(DgtBoardRecognizer, ReadsResultSignalsStartPositionsAndShuffledStarts)
{
    DgtBoardImage shuffled = dgtStartImage();
    std::swap(shuffled[0], shuffled[4]);
    std::swap(shuffled[56], shuffled[60]);
    DgtBoardImage twoBlackKings = shuffled;
    twoBlackKings[1] = kDgtBlackKing;
    const struct {
        const char* name;
        DgtBoardImage image;
        std::optional<Code> code;
        bool rotated;
    } rows[] = {
        { "kings on d5 and e4", imageOf({ { "d5", 5 }, { "e4", 11 } }), Code::ResultWhiteWins,
            false },
        { "kings on e5 and d4", imageOf({ { "e5", 11 }, { "d4", 5 } }), Code::ResultBlackWins,
            false },
        { "kings on d5 and e5", imageOf({ { "d5", 5 }, { "e5", 11 } }), Code::ResultDraw, false },
        { "one king in the centre", imageOf({ { "d5", 5 }, { "a1", 11 } }), std::nullopt, false },
        { "start position", dgtStartImage(), Code::StartingPosition, false },
        { "start position turned", dgtTurnedStartImage(), Code::StartingPosition, true },
        { "shuffled start", shuffled, Code::RandomFischerStart, false },
        { "shuffled start turned", dgtTurnedImage(shuffled), Code::RandomFischerStart, true },
        { "two kings on a back rank", twoBlackKings, std::nullopt, false },
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        DgtBoardRecognizer recognizer;
        EXPECT_EQ(recognizer.boardChanged(row.image).recognition, row.code);
        EXPECT_EQ(recognizer.rotated(), row.rotated);
        EXPECT_EQ(recognizer.board(), row.rotated ? dgtTurnedImage(row.image) : row.image);
    }
}

TEST(DgtBoardRecognizer, TurnsAKinglessSetUpOnlyWhenThatPutsThePawnsRight)
{
    DgtBoardRecognizer recognizer;
    DgtBoardImage wrongEdge =
        imageOf({ { "a1", kWhitePawn }, { "h8", kBlackPawn }, { "c3", kWhiteRook } });
    EXPECT_EQ(recognizer.boardChanged(wrongEdge).recognition, Code::SetupRotated);
    EXPECT_TRUE(recognizer.rotated());
    EXPECT_EQ(recognizer.board(), dgtTurnedImage(wrongEdge));
    // Now right; another change must not turn it back.
    wrongEdge[static_cast<std::size_t>(SimulatedDgtBoard::squareIndex("d4"))] = kBlackRook;
    EXPECT_EQ(recognizer.boardChanged(wrongEdge).recognition, std::nullopt);
    EXPECT_TRUE(recognizer.rotated());

    // Pawns on both edges stay wrong whichever way round: the board is left as it stands.
    DgtBoardRecognizer both;
    DgtBoardImage bothEdges = imageOf({ { "a1", kWhitePawn }, { "a8", kWhitePawn } });
    for (int change = 0; change < 3; ++change) {
        EXPECT_EQ(both.boardChanged(bothEdges).recognition, std::nullopt);
        EXPECT_FALSE(both.rotated());
    }
}

TEST(DgtKingTracker, ReadsTheGesturesMadeWithTheKings)
{
    const struct {
        const char* name;
        std::vector<DgtBoardImage> boards;
        std::vector<std::optional<Code>> codes;
    } rows[] = {
        { "white king lifted and put back",
            { imageOf({ { "e1", 5 }, { "e8", 11 } }), imageOf({ { "e8", 11 } }),
                imageOf({ { "e1", 5 }, { "e8", 11 } }) },
            { std::nullopt, std::nullopt, Code::WhiteMoveNow } },
        { "black king lifted and put back",
            { imageOf({ { "e1", 5 }, { "e8", 11 } }), imageOf({ { "e1", 5 } }),
                imageOf({ { "e1", 5 }, { "e8", 11 } }) },
            { std::nullopt, std::nullopt, Code::BlackMoveNow } },
        { "white king put on another square",
            { imageOf({ { "e1", 5 }, { "e8", 11 } }), imageOf({ { "e8", 11 } }),
                imageOf({ { "f1", 5 }, { "e8", 11 } }) },
            { std::nullopt, std::nullopt, std::nullopt } },
        { "both kings off, white king down last",
            { imageOf({ { "e1", 5 }, { "e8", 11 } }), imageOf({ { "e8", 11 } }), imageOf({}),
                imageOf({ { "g8", 11 } }), imageOf({ { "g1", 5 }, { "g8", 11 } }) },
            { std::nullopt, std::nullopt, Code::SetupEntered, std::nullopt,
                Code::NewPositionWhiteToMove } },
        // The kings' squares from before the board was cleared must not count.
        { "both kings off, white king back first, black last",
            { imageOf({ { "e1", 5 }, { "e8", 11 } }), imageOf({ { "e8", 11 } }), imageOf({}),
                imageOf({ { "e1", 5 } }), imageOf({ { "e1", 5 }, { "e8", 11 } }) },
            { std::nullopt, std::nullopt, Code::SetupEntered, std::nullopt,
                Code::NewPositionBlackToMove } },
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        DgtKingTracker tracker;
        std::vector<std::optional<Code>> codes;
        for (const DgtBoardImage& board : row.boards)
            codes.push_back(tracker.boardChanged(board));
        EXPECT_EQ(codes, row.codes);
    }
}

TEST(DgtImage, ConvertsToTheRulesSquaresOfTheSamePosition)
{
    Board board;
    EXPECT_EQ(dgtImageToSquares(dgtStartImage()), board.squares());
    Board afterE4("rnbqkbnr/pppppppp/8/8/4P3/8/PPPP1PPP/RNBQKBNR b KQkq - 0 1");
    DgtBoardImage image = dgtStartImage();
    std::swap(image[static_cast<std::size_t>(SimulatedDgtBoard::squareIndex("e2"))],
        image[static_cast<std::size_t>(SimulatedDgtBoard::squareIndex("e4"))]);
    image[0] = 99; // an unknown code reads as empty
    BoardSquares expected = afterE4.squares();
    expected[0x07] = kEmpty;
    EXPECT_EQ(dgtImageToSquares(image), expected);
    EXPECT_EQ(dgtEventName(Code::Message), "DMESSAGE");
}

} // namespace
} // namespace velmorak
