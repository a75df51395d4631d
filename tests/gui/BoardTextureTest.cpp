#include "gui/BoardTexture.h"

#include <QPainter>
#include <chrono>
#include <cmath>
#include <cstdlib>
#include <string>

#include <gtest/gtest.h>

#include "ArtImages.h"
#include "gui/Artwork.h"

using namespace velmorak::gui;

namespace {

// Mean grey difference between two columns of a tile.
double columnStep(const QImage& tile, int a, int b)
{
    double total = 0;
    for (int y = 0; y < tile.height(); ++y)
        total += std::abs(qGray(tile.pixel(a, y)) - qGray(tile.pixel(b, y)));
    return total / tile.height();
}

} // namespace

TEST(BoardTexture, EveryTextureHasGrainContrastAndTheRightFrame)
{
    // The frame repeats the look of the dark squares for these, of the light ones for the rest.
    const auto frameFromDark = [](int id) {
        return id == 137 || id == 138 || id == 154 || id == 155 || id == 166;
    };
    for (const BoardTextureInfo& info : boardTextures()) {
        SCOPED_TRACE(info.name);
        const BoardTexture texture = makeBoardTexture(info.id, 60);
        const GreyLevels light = greyLevels(texture.light), dark = greyLevels(texture.dark),
                         frame = greyLevels(texture.frame);
        for (const QImage* tile : { &texture.light, &texture.dark, &texture.frame }) {
            EXPECT_EQ(tile->size(), QSize(60, 60));
            EXPECT_GT(greyLevels(*tile).spread, 2.0) << "a uniform tile";
        }
        EXPECT_GT(light.mean - dark.mean, 50.0);
        const bool nearerDark =
            std::abs(frame.mean - dark.mean) < std::abs(frame.mean - light.mean);
        EXPECT_EQ(nearerDark, frameFromDark(info.id));
        // Tiles wrap: the last column runs into the first as smoothly as neighbours do.
        EXPECT_LT(columnStep(texture.light, 59, 0), 3 * columnStep(texture.light, 0, 1) + 4);

        // Squares of a colour side by side (b1 and c2) show different cuts of the grain,
        // apart by a third of its own contrast; copies of one tile are not apart at all.
        Artwork artwork;
        artwork.choose(0, info.id);
        QImage squares(120, 60, QImage::Format_RGB32);
        QPainter painter(&squares);
        painter.fillRect(0, 0, 60, 60, artwork.squareBrush(1, 0, { 0, 0 }, 60));
        painter.fillRect(60, 0, 60, 60, artwork.squareBrush(2, 1, { 60, 0 }, 60));
        painter.end();
        const QImage b1 = squares.copy(0, 0, 60, 60);
        EXPECT_GT(meanDifference(b1, squares.copy(60, 0, 60, 60)), greyLevels(b1).spread / 3);
    }
}

TEST(BoardTexture, UnknownValuesGiveBrownAndKnownOnesThemselves)
{
    for (const BoardTextureInfo& info : boardTextures())
        EXPECT_EQ(boardTextureId(info.id), info.id) << info.name;
    const QImage brown = makeBoardTexture(137, 24).dark;
    for (int value : { 0, -1, 136, 142, 153, 168, 100000 }) {
        EXPECT_EQ(boardTextureId(value), 137) << value;
        EXPECT_EQ(makeBoardTexture(value, 24).dark, brown) << value;
    }
}

TEST(BoardTexture, IsTheSameEveryTimeAndFastEnoughForEveryResize)
{
    EXPECT_EQ(makeBoardTexture(141, 48).light, makeBoardTexture(141, 48).light);
    EXPECT_NE(makeBoardTexture(141, 48).light, makeBoardTexture(139, 48).light);
    EXPECT_EQ(makeBoardTexture(156, 0).light.size(), QSize(1, 1));

    const auto start = std::chrono::steady_clock::now();
    for (const BoardTextureInfo& info : boardTextures())
        makeBoardTexture(info.id, 60);
    const auto each = (std::chrono::steady_clock::now() - start) / boardTextures().size();
    EXPECT_LT(each, std::chrono::milliseconds(10));

    EXPECT_EQ(makeBoardSheets(155, 30).dark, makeBoardSheets(155, 30).dark);
}
