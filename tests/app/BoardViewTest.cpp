#include "app/BoardView.h"

#include <algorithm>
#include <functional>

#include <gtest/gtest.h>

#include "rules/Board.h"
#include "sound/MoveSounds.h"
#include "support/BoardPlay.h"
#include "support/RecordingBoardSurface.h"
#include "support/RecordingSoundOutput.h"

using namespace velmorak;

namespace {

Square sq(const char* name)
{
    return squareFromText(name);
}

struct BoardViewTest : testing::Test {
    void SetUp() override { surface.attach(view); }
    // Makes the move on the board, as the controller does before it draws it.
    Move play(const char* coordinates)
    {
        const Move m = test::move(board, coordinates);
        board.makeMove(m);
        return m;
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
};

TEST_F(BoardViewTest, AnimationEndDrawsTheTouchedSquaresFromTheBoard)
{
    // The castling rook and the pawn of a promotion taken back (cut short) are right only
    // when drawn from the board.
    board.setFromFen("k7/4P3/8/8/8/8/8/4K2R w K - 0 1");
    view.drawMove(play("e1g1"), true, true, false);
    EXPECT_EQ(view.animatedPiece()->piece, kWhiteKing);
    EXPECT_EQ(view.pieceShownAt(sq("g1")), kEmpty);
    runAnimation();
    EXPECT_TRUE(surface.repainted(sq("h1")) && surface.repainted(sq("f1")));
    EXPECT_EQ(view.pieceShownAt(sq("g1")), kWhiteKing);

    board.setFromFen("k7/4P3/8/8/8/8/8/4K3 w - - 0 1");
    const Move promotion = play("e7e8q");
    board.unmakeMove();
    view.drawTakeBack(promotion, true);
    EXPECT_EQ(view.animatedPiece()->piece, kWhitePawn);
    surface.clear();
    view.endAnimation();
    EXPECT_TRUE(surface.repainted(sq("e7")) && surface.repainted(sq("e8")));
    EXPECT_EQ(view.pieceShownAt(sq("e7")), kWhitePawn);
    EXPECT_EQ(surface.finished, 2);
    EXPECT_FALSE(clock.isArmed(102));
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
        surface.clear();
        if (r.takeBack) {
            board.unmakeMove();
            view.drawTakeBack(view.highlightedMove(), false);
        } else {
            view.drawMove(play("e7e5"), r.animate, false, r.highlight);
        }
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
    view.setHighlightLastMove(false);
    view.drawMove(play("d2d4"), false, false, true);
    EXPECT_TRUE(view.arrowPolygon().empty());
}

TEST_F(BoardViewTest, SelectionAndMarksGoWithTheNextPosition)
{
    board.setFromFen("4k3/8/8/3p4/8/8/3N4/4K3 w - - 0 1");
    view.setSelection(sq("d2"), sq("e4"));
    view.markTargets(sq("d2"));
    EXPECT_EQ(view.targetMark(sq("e4")) * 10 + view.targetMark(sq("f3")), 21); // d5 guards e4
    view.clearTargetMarks(sq("f3"));
    EXPECT_EQ(view.targetMark(sq("e4")) * 10 + view.targetMark(sq("f3")), 1);
    view.positionChanged();
    EXPECT_EQ(view.selectedFrom(), NoSquare);
    EXPECT_EQ(view.selectedTo(), NoSquare);
    EXPECT_FALSE(view.anyTargetMarked());
}

TEST_F(BoardViewTest, ChangesOfTheBoardCancelTheDragAndEndTheAnimation)
{
    static constexpr Move kHint { 0x61, kWhitePawn, 0x63, 0 };
    const std::pair<const char*, std::function<void(BoardView&)>> rows[] = {
        { "flip", [](BoardView& v) { v.setFlipped(true); } },
        { "layout", [](BoardView& v) { v.setLayout(7); } },
        { "new animation", [](BoardView& v) { v.showThereAndBack(kHint); } },
    };
    for (const auto& [name, change] : rows) {
        view.showThereAndBack(kHint);
        view.pickUp(sq("e2"), { 140, 200 });
        EXPECT_EQ(view.pieceShownAt(sq("e2")), kEmpty) << name;
        const int finished = surface.finished;
        change(view);
        EXPECT_FALSE(view.isDragging()) << name;
        EXPECT_EQ(view.pieceShownAt(sq("e2")), kWhitePawn) << name;
        EXPECT_EQ(surface.finished, finished + 1) << name;
        view.endAnimation();
        view.setFlipped(false);
    }
    view.pickUp(sq("e2"), { 140, 200 });
    view.positionChanged();
    EXPECT_FALSE(view.isDragging());
}

TEST_F(BoardViewTest, OffBoardSquaresAreIgnored)
{
    for (Square s : { NoSquare, Square(0x88), Square(0xFF) }) {
        view.setSelection(s, s);
        view.markTargets(s);
        view.clearTargetMarks(s);
        view.pickUp(s, { 10, 10 });
        view.drawMove(Move { s, kWhitePawn, 0x13, 0 }, true, true, true);
        view.drawTakeBack(Move { 0x13, kWhitePawn, s, 0 }, true);
        view.showThereAndBack(NoMove);
        EXPECT_EQ(view.targetMark(s), 0);
        EXPECT_EQ(view.pieceShownAt(s), kEmpty);
        EXPECT_FALSE(view.squareRect(s) || view.isDragging() || view.isAnimating());
    }
    EXPECT_EQ(view.selectedFrom(), NoSquare);
    EXPECT_TRUE(surface.rects.empty() && output.events.empty());
}

} // namespace
