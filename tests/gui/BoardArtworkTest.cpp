#include <QAction>
#include <QImage>
#include <cmath>
#include <vector>

#include <gtest/gtest.h>

#include "ArtImages.h"
#include "WindowHarness.h"

using velmorak::test::WindowHarness;
using namespace velmorak;

namespace {

QImage boardImage(WindowHarness& h)
{
    return h.window().boardWidget().grab().toImage().convertToFormat(QImage::Format_ARGB32);
}

QImage squareImage(WindowHarness& h, const QImage& board, std::string_view square)
{
    const auto area = h.window().boardView().squareRect(squareFromText(square));
    return board.copy(h.window().boardWidget().transform().toDevice(*area));
}

// Pearson correlation of the grey levels of two images over the pixels where they differ.
struct Covered {
    int pixels = 0;
    double correlation = 0;
};
Covered coveredPixels(const QImage& under, const QImage& over)
{
    double n = 0, sa = 0, sb = 0, saa = 0, sbb = 0, sab = 0;
    for (int y = 0; y < under.height(); ++y)
        for (int x = 0; x < under.width(); ++x) {
            const QRgb a = under.pixel(x, y), b = over.pixel(x, y);
            if (a == b)
                continue;
            const double ga = qGray(a), gb = qGray(b);
            n += 1;
            sa += ga, sb += gb, saa += ga * ga, sbb += gb * gb, sab += ga * gb;
        }
    const double va = saa - sa * sa / n, vb = sbb - sb * sb / n;
    return { int(n), va > 0 && vb > 0 ? (sab - sa * sb / n) / std::sqrt(va * vb) : 0 };
}

} // namespace

// The default texture (Cherry) on 60-pixel squares, as wide as a tile of the texture.
TEST(BoardArtwork, LightSquaresShowTheirOwnGrainAndKeepItWhenRepaintedOrFlipped)
{
    WindowHarness h;
    auto& w = h.window();
    const QImage board = boardImage(h);
    EXPECT_EQ(boardImage(h), board);
    // Empty light squares of the middle, each beside the next diagonally or two files apart.
    const char* const light[] = { "b3", "c4", "d3", "e4", "f3", "g4", "h3", "a4", "b5", "c6" };
    std::vector<QImage> before;
    for (const char* square : light)
        before.push_back(squareImage(h, board, square));
    for (std::size_t i = 0; i + 1 < before.size(); ++i)
        EXPECT_GT(meanDifference(before[i], before[i + 1]), greyLevels(before[i]).spread / 3)
            << light[i] << " and " << light[i + 1];
    w.barAction(cmd::kFlipBoard)->trigger();
    ASSERT_TRUE(w.boardView().flipped());
    const QImage flipped = boardImage(h);
    for (std::size_t i = 0; i < before.size(); ++i)
        EXPECT_EQ(squareImage(h, flipped, light[i]), before[i]) << light[i];
}

TEST(BoardArtwork, TheMovedPieceShowsThroughTheLastMoveArrow)
{
    WindowHarness h;
    auto& w = h.window();
    h.play("g1 f3");
    ASSERT_FALSE(w.boardView().arrowPolygon().empty());
    // The arrow's tip lies on the square where the engine's piece landed.
    const BoardView& view = w.boardView();
    const Square landed = squareAt(view.layout(), view.arrowPolygon()[5], {}, view.flipped());
    ASSERT_NE(view.pieceShownAt(landed), kEmpty);
    const QRect area = w.boardWidget().transform().toDevice(*view.squareRect(landed));
    const QImage withArrow = boardImage(h).copy(area);
    w.boardView().setHighlightLastMove(false);
    const QImage without = boardImage(h).copy(area);
    // Under an opaque arrow the covered pixels are one colour whatever lay beneath; under a
    // tinted one they keep the light and dark of the piece.
    const Covered covered = coveredPixels(without, withArrow);
    EXPECT_GT(covered.pixels, 200) << "the arrow shows";
    EXPECT_GT(covered.correlation, 0.5);
}
