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

} // namespace

// The default texture (Cherry) on 60-pixel squares, the size of the tile it once repeated.
TEST(BoardArtwork, LightSquaresShowTheirOwnGrainAndKeepItWhenRepaintedOrFlipped)
{
    WindowHarness h;
    auto& w = h.window();
    const QImage board = boardImage(h);
    EXPECT_EQ(boardImage(h), board);
    // Empty light squares of the middle, each beside the next diagonally or two files apart.
    const char* const light[] = { "b3", "c4", "d3", "e4", "f3", "g4", "h3", "a4", "b5", "c6" };
    for (std::size_t i = 0; i + 1 < std::size(light); ++i) {
        const QImage a = squareImage(h, board, light[i]);
        EXPECT_GT(meanDifference(a, squareImage(h, board, light[i + 1])), greyLevels(a).spread / 3)
            << light[i] << " and " << light[i + 1];
    }
    std::vector<QImage> before;
    for (const char* square : light)
        before.push_back(squareImage(h, board, square));
    w.barAction(cmd::kFlipBoard)->trigger();
    ASSERT_TRUE(w.boardView().flipped());
    const QImage flipped = boardImage(h);
    for (std::size_t i = 0; i < std::size(light); ++i)
        EXPECT_EQ(squareImage(h, flipped, light[i]), before[i]) << light[i];
}
