#include "present/BoardLayout.h"

#include <gtest/gtest.h>

using namespace velmorak;

namespace {

TEST(BoardLayoutTest, EveryLayoutFillsItsScreen)
{
    for (int i = 0; i < kLayoutCount; ++i) {
        const LayoutRecord& l = layoutRecord(i);
        const int buttonColumns =
            l[kButtonsPerColumn] ? (8 + l[kButtonsPerColumn]) / l[kButtonsPerColumn] : 0;
        const int bars = l[kScreenWidth] >= 480 ? 104 : 52;
        if (l[kScreenWidth] >= l[kScreenHeight]) {
            EXPECT_EQ(l[kFramedBoardHeight], l[kScreenHeight] - bars) << "layout " << i;
        }
        if (l[kScreenWidth] <= l[kScreenHeight]) {
            EXPECT_EQ(l[kButtonLeft] + buttonColumns * l[kButtonWidth], l[kScreenWidth])
                << "layout " << i;
        }
        EXPECT_LE(l[kButtonsPerColumn] * l[kButtonHeight], l[kFramedBoardHeight]) << "layout " << i;
        // Pieces are drawn at the square's width, from the inner corner of the frame.
        EXPECT_EQ(kPieceSizes[l[kPieceSizeIndex]], l[kSquareWidth]) << "layout " << i;
        EXPECT_EQ(l[kOriginX], l[kLeftFrame]) << "layout " << i;
    }
}

TEST(BoardLayoutTest, SelectLayout)
{
    struct Row {
        const char* name;
        int index, width, height, current, expected;
    };
    const Row rows[] = {
        { "no stored layout takes the first exact match", -1, 240, 320, 0, 0 },
        { "toggle from 0 goes to 1", 1, 240, 320, 0, 1 },
        { "toggle from 1 wraps back to 0", 2, 240, 320, 1, 0 },
        { "tall portrait takes the widest, then tallest", -1, 480, 800, 0, 7 },
        { "wide landscape takes the tallest", -1, 800, 480, 0, 10 },
        { "a stored landscape layout on a portrait screen moves on", 3, 240, 320, 3, 0 },
        { "square screen", 16, 480, 480, 0, 12 },
        { "nothing fits: nothing changes", -1, 100, 100, 5, 5 },
    };
    for (const Row& r : rows)
        EXPECT_EQ(selectLayout(r.index, 0, { r.width, r.height }, r.current), r.expected) << r.name;
}

TEST(BoardLayoutTest, SquareAtInvertsSquareRectOnEveryLayout)
{
    for (int i = 0; i < kLayoutCount; ++i)
        for (bool flipped : { false, true })
            for (int sq = 0; sq < 0x78; ++sq) {
                if (!isOnBoard(sq))
                    continue;
                const Rect r = *squareRect(layoutRecord(i), Square(sq), flipped);
                for (Point p : { Point { r.left, r.top }, Point { r.right - 1, r.bottom - 1 } })
                    ASSERT_EQ(
                        squareAt(layoutRecord(i), { p.x + 5, p.y + 7 }, { 5, 7 }, flipped), sq)
                        << "layout " << i << " flipped " << flipped;
            }
    EXPECT_EQ(squareRect(layoutRecord(0), 0x00, true), (Rect { 210, 0, 240, 30 }));
    EXPECT_FALSE(squareRect(layoutRecord(0), NoSquare, false));
}

TEST(BoardLayoutTest, PointsOffTheBoardHitNoSquare)
{
    const LayoutRecord& l = layoutRecord(1); // origin 16, 14; 24-pixel squares
    const Point rows[] = { { 15, 20 }, { 16, 13 }, { 0, 0 }, { 16 + 192, 20 }, { 20, 14 + 192 },
        { -30, -30 } };
    for (bool flipped : { false, true })
        for (Point p : rows)
            EXPECT_EQ(squareAt(l, p, {}, flipped), NoSquare) << p.x << "," << p.y;
    EXPECT_EQ(squareAt(l, { 16 + 3, 20 }, { 3, 0 }, false), 0x07);
    EXPECT_EQ(squareAt(l, { 16 + 2, 20 }, { 3, 0 }, false), NoSquare);
}

TEST(BoardLayoutTest, PanelRects)
{
    const PanelRects portrait = panelRects(1, { 0, 0, 240, 268 });
    EXPECT_EQ(portrait.status, (Rect { 0, 220, 240, 268 }));
    EXPECT_EQ(portrait.clock, (Rect { 160, 220, 238, 234 }));
    const PanelRects wide = panelRects(3, { 0, 0, 320, 188 });
    EXPECT_EQ(wide.status, (Rect { 196, 14, 320, 188 }));
    EXPECT_EQ(wide.clock, (Rect { 196, 0, 320, 14 })) << "in line with the panel";
    EXPECT_EQ(wide.moveList, (Rect { 196, 45, 320, 129 }));
}

TEST(BoardLayoutTest, AnimationSteps)
{
    EXPECT_EQ(animationTiming(53, 24, 0).steps, 23);
    EXPECT_EQ(animationTiming(53, 24, 2).steps, 34);
    EXPECT_EQ(animationTiming(53, 24, 3).timerMs, 5);
    EXPECT_EQ(animationTiming(0, 24, 3).steps, 1);
    const Move knight { 0x10, kWhiteKnight, 0x22, kQuietFlags }; // b1-c3
    auto a =
        BoardAnimation::start(layoutRecord(1), false, knight, kWhiteKnight, 2, true, true, false);
    ASSERT_TRUE(a);
    EXPECT_EQ(a->steps(), 34);
    EXPECT_EQ(a->tick().piece, (Point { 52 + 0, 194 - 2 }));
    for (int i = 2; i < 34; ++i)
        EXPECT_EQ(a->tick().kind, AnimationTick::Kind::Moving);
    const AnimationTick last = a->tick();
    EXPECT_EQ(last.kind, AnimationTick::Kind::Finished);
    EXPECT_EQ(last.piece, (Point { 76, 146 }));
    EXPECT_TRUE(last.setHighlight);
}

TEST(BoardLayoutTest, AnimationGoesThereAndBackAndRedrawsTouchedSquares)
{
    const Move castle { 0x40, kWhiteKing, 0x60, kCastlingFlags };
    auto a = BoardAnimation::start(layoutRecord(0), true, castle, kWhiteKing, 0, true, false, true);
    ASSERT_TRUE(a);
    const Point start = a->startPoint();
    while (a->tick().kind != AnimationTick::Kind::TurnedBack) { }
    EXPECT_EQ(a->endPoint(), start);
    EXPECT_EQ(a->finish().redraw, (std::vector<Square> { 0x40, 0x60, 0x70, 0x50 }));
    const Move enPassant { 0x44, kWhitePawn, 0x35, kWhiteTakesEnPassant };
    auto back = BoardAnimation::start(
        layoutRecord(0), false, enPassant, kWhitePawn, 1, false, false, false, true);
    EXPECT_EQ(back->startPoint(), squareCentre(layoutRecord(0), 0x35, false));
    EXPECT_EQ(back->finish().redraw, (std::vector<Square> { 0x44, 0x35, 0x34 }));
    EXPECT_FALSE(
        BoardAnimation::start(layoutRecord(0), false, NoMove, kEmpty, 1, false, false, false));
}

TEST(BoardLayoutTest, DragPicture)
{
    DragPicture drag(layoutRecord(0), false);
    EXPECT_FALSE(drag.pickUp(kWhitePawn, { 100, 250 }));
    ASSERT_TRUE(drag.pickUp(kWhitePawn, { 130, 190 })); // e2
    EXPECT_EQ(drag.state().from, 0x41);
    EXPECT_EQ(drag.moveTo({ 135, 160 }).repaint.size(), 2u);
    EXPECT_EQ(drag.drop(0x43).redraw, (std::vector<Square> { 0x41, 0x43 }));
    EXPECT_FALSE(drag.state().dragging);
    EXPECT_EQ(drag.state().from, NoSquare);
    EXPECT_TRUE(drag.putBack().redraw.empty());
}

} // namespace
