#include "present/BoardView.h"

#include <algorithm>

#include <gtest/gtest.h>

#include "rules/Board.h"
#include "sound/MoveSounds.h"
#include "support/MoveText.h"
#include "support/RecordingBoardSurface.h"
#include "support/RecordingSoundOutput.h"

using namespace velmorak;

namespace {

struct BoardViewTest : testing::Test {
    static Square sq(const char* name) { return squareFromText(name); }
    // Makes the move on the board, as the controller does before it draws it.
    Move play(const char* text)
    {
        return board.makeMove(test::moveIn(board, text)), board.lastMove();
    }
    // Runs the animation timer until the animation ends; answers the milliseconds taken.
    int runAnimation()
    {
        int ms = 0;
        while (view.isAnimating() && ++ms < 5000)
            clock.advance(1);
        return ms;
    }

    Board board;
    test::FakeClock clock;
    RecordingSoundOutput output;
    MoveSounds sounds { output, "" };
    test::RecordingBoardSurface surface { clock };
    BoardView view { board, surface, sounds, clock };
    void SetUp() override { surface.view = &view; }
};

TEST_F(BoardViewTest, AnimationEndDrawsTheTouchedSquaresFromTheBoard)
{
    // The castling rook and the pawn of a promotion taken back (cut short) are right only
    // when drawn from the board.
    board.setFromFen("k7/8/8/8/8/8/8/4K2R w K - 0 1");
    view.drawMove(play("e1g1"), true, true, false);
    EXPECT_EQ(view.pieceShownAt(sq("g1")), kEmpty); // the king is in flight
    runAnimation();
    EXPECT_TRUE(surface.repainted(sq("h1")) && surface.repainted(sq("f1")));

    board.setFromFen("k7/4P3/8/8/8/8/8/4K3 w - - 0 1");
    const Move promotion = play("e7e8q");
    board.unmakeMove();
    view.drawTakeBack(promotion, true);
    EXPECT_EQ(view.animatedPiece()->piece, kWhitePawn);
    surface.rects.clear();
    view.endAnimation();
    EXPECT_TRUE(surface.repainted(sq("e7")) && surface.repainted(sq("e8")));
    EXPECT_EQ(view.pieceShownAt(sq("e7")), kWhitePawn);
    EXPECT_EQ(output.events.size(), 1u); // the castling's; a take-back is silent
}

TEST_F(BoardViewTest, AnimationStepsFollowTheClock)
{
    view.setLayout(1); // 24-pixel squares: Ng1-f3 glides 53 pixels in 34 steps of 4 ms
    const Move knight = play("g1f3");
    view.drawMove(knight, true, false, false);
    const Point start = view.animatedPiece()->topLeft;
    // A slow paint: the timer stalls for 80 ms, then the piece jumps 20 steps at once.
    clock.killTimer(102);
    clock.setTicks(clock.ticks() + 80);
    view.onAnimationTimer();
    EXPECT_EQ(view.animatedPiece()->topLeft, (Point { start.x - 15, start.y - 29 }));
    surface.armAnimationTimer(4);
    EXPECT_EQ(runAnimation(), 136 - 80);

    view.setAnimationSpeed(0); // "Off" draws at once, but a hint still glides there and back
    view.drawMove(knight, true, true, false);
    EXPECT_FALSE(view.isAnimating());
    board.unmakeMove();
    view.showThereAndBack(knight);
    EXPECT_EQ(view.pieceShownAt(sq("g1")), kEmpty);
    EXPECT_EQ(runAnimation(), 2 * 46 * 8); // "Slow": 46 steps of 8 ms each way
    EXPECT_EQ(output.events.size(), 3u); // the move, then the hint at its turn and its end
}

TEST_F(BoardViewTest, ArrowOfTheLastMove)
{
    // Each row follows an engine move e2-e4 with a move or a take-back.
    struct Row {
        const char* name;
        bool takeBack, animate, highlight, arrowStays;
    };
    for (const Row& r : { Row { "engine move drawn at once", false, false, true, true },
             Row { "engine move animated", false, true, true, true },
             Row { "user move", false, true, false, false },
             Row { "take-back", true, false, false, false } }) {
        board.setStartPosition();
        view.drawMove(play("e2e4"), false, false, true);
        view.positionChanged();
        const std::vector<Point> before = view.arrowPolygon();
        ASSERT_EQ(before.size(), 8u);
        surface.rects.clear();
        if (r.takeBack)
            board.unmakeMove(), view.drawTakeBack(view.highlightedMove(), false);
        else
            view.drawMove(play("e7e5"), r.animate, false, r.highlight);
        runAnimation();
        view.positionChanged();
        EXPECT_EQ(view.arrowPolygon().empty(), !r.arrowStays) << r.name;
        // The old arrow's whole extent is repainted, not only its end squares.
        EXPECT_TRUE(std::any_of(surface.rects.begin(), surface.rects.end(), [&](Rect b) {
            return std::all_of(before.begin(), before.end(), [&](Point p) {
                return p.x > b.left && p.x < b.right && p.y > b.top && p.y < b.bottom;
            });
        })) << r.name;
        view.positionChanged(); // the next change of position takes any arrow away
        EXPECT_EQ(view.highlightedMove(), NoMove) << r.name;
    }
}

TEST_F(BoardViewTest, MarksSelectionAndDragGoWithTheNextPosition)
{
    board.setFromFen("4k3/8/8/3p4/8/8/3N4/4K3 w - - 0 1");
    view.setSelection(sq("d2"), sq("e4"));
    view.markTargets(sq("d2"));
    EXPECT_EQ(view.targetMark(sq("e4")) * 10 + view.targetMark(sq("f3")), 21); // d5 guards e4
    view.clearTargetMarks(sq("f3"));
    EXPECT_EQ(view.targetMark(sq("e4")) * 10 + view.targetMark(sq("f3")), 1);
    view.pickUp(sq("d2"), { 100, 200 });
    view.positionChanged();
    EXPECT_EQ(view.selectedFrom() + view.selectedTo() * 256, NoSquare * 257);
    EXPECT_FALSE(view.anyTargetMarked() || view.isDragging());
}

TEST_F(BoardViewTest, FlipLayoutAndNewAnimationEndTheAnimationAndTheDrag)
{
    constexpr Move kHint { 0x61, kWhitePawn, 0x63, 0 };
    for (int change = 0; change < 3; ++change) {
        view.showThereAndBack(kHint);
        view.pickUp(sq("e2"), { 140, 200 });
        EXPECT_EQ(view.pieceShownAt(sq("e2")), kEmpty);
        const int finished = surface.finished;
        change == 0       ? view.setFlipped(true)
            : change == 1 ? view.setLayout(7)
                          : view.showThereAndBack(kHint);
        EXPECT_FALSE(view.isDragging()) << change;
        EXPECT_EQ(view.pieceShownAt(sq("e2")), kWhitePawn) << change;
        EXPECT_EQ(surface.finished, finished + 1) << change;
        view.endAnimation();
        view.setFlipped(false);
    }
}

TEST_F(BoardViewTest, OffBoardSquaresAreIgnored)
{
    for (Square s : { NoSquare, Square(0x88), Square(0xFF) }) {
        view.setSelection(s, s);
        view.markTargets(s);
        view.clearTargetMarks(s);
        view.pickUp(s, { 10, 10 });
        view.drawMove(Move { s, kWhitePawn, 0x13, 0 }, true, true, true);
        view.showThereAndBack(Move { 0x13, kWhitePawn, s, 0 });
        EXPECT_EQ(view.targetMark(s) + view.pieceShownAt(s), kEmpty);
        EXPECT_FALSE(view.squareRect(s) || view.isDragging() || view.isAnimating());
    }
    EXPECT_EQ(view.selectedFrom(), NoSquare);
    EXPECT_TRUE(surface.rects.empty() && output.events.empty());
}

} // namespace

TEST_F(BoardViewTest, AKingInCheckIsMarkedUntilTheCheckEnds)
{
    board.setFromFen("4k3/8/8/8/8/8/8/R3K3 w - - 0 1");
    view.positionChanged();
    EXPECT_EQ(view.checkedKing(), NoSquare);
    play("a1a8");
    view.positionChanged();
    EXPECT_EQ(view.checkedKing(), sq("e8"));
    surface.rects.clear();
    play("e8e7");
    view.positionChanged();
    EXPECT_EQ(view.checkedKing(), NoSquare);
    EXPECT_TRUE(surface.repainted(sq("e8"))) << "the mark is taken off";
}
