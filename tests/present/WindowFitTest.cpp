#include "present/WindowFit.h"

#include <vector>

#include <gtest/gtest.h>

namespace velmorak {
namespace {

// The layout a fresh window of this size gets: its class's largest screen, then the
// layout choice from "no stored layout".
int firstLayoutFor(int width, int height)
{
    ScreenShape shape = classifyWindow(width, height, std::nullopt);
    return selectLayout(-1, 0, largestScreen(shape), 0);
}

TEST(WindowFitTest, WindowsOfEveryShapeGetTheLayoutsOfTheirClass)
{
    struct Row {
        const char* name;
        int width, height;
        int layout;
    };
    const Row rows[] = {
        { "handheld portrait", 240, 320, 7 },
        { "handheld landscape", 320, 240, 12 },
        { "portrait", 480, 640, 7 },
        { "landscape", 640, 480, 12 },
        { "square", 480, 480, 7 },
        { "wide desktop", 1600, 900, 10 },
        { "desktop 4:3", 1200, 900, 12 },
        { "tall desktop", 900, 1200, 7 },
    };
    for (const Row& row : rows)
        EXPECT_EQ(firstLayoutFor(row.width, row.height), row.layout) << row.name;
}

TEST(WindowFitTest, ToggleCyclesDistinctPicturesOfTheWindowsClass)
{
    struct Row {
        const char* name;
        int width, height;
        std::vector<int> cycle; // from the first layout, toggled until it comes back
    };
    const Row rows[] = {
        { "portrait", 600, 700, { 7, 8 } },
        { "square", 700, 620, { 12, 14 } },
        { "landscape", 1000, 600, { 10, 12, 14 } },
    };
    for (const Row& row : rows) {
        const ScreenShape shape = classifyWindow(row.width, row.height, std::nullopt);
        EXPECT_EQ(shapeOfScreen(largestScreen(shape)), shape) << row.name;
        std::vector<int> seen { firstLayoutFor(row.width, row.height) };
        for (int next = nextWindowLayout(seen.back(), shape); next != seen.front();
             next = nextWindowLayout(seen.back(), shape)) {
            seen.push_back(next);
            if (seen.size() > kLayoutCount)
                break;
        }
        EXPECT_EQ(seen, row.cycle) << row.name;
    }
    // A layout of another class starts the cycle over.
    EXPECT_EQ(nextWindowLayout(3, ScreenShape::Portrait), 7);
}

TEST(WindowFitTest, ClassesHoldNearTheirBoundary)
{
    // 1.02 is portrait from nothing, and stays square for a window that was square.
    EXPECT_EQ(classifyWindow(1000, 1020, std::nullopt), ScreenShape::Portrait);
    EXPECT_EQ(classifyWindow(1000, 1020, ScreenShape::SquareScreen), ScreenShape::SquareScreen);
    EXPECT_EQ(classifyWindow(1000, 980, ScreenShape::Portrait), ScreenShape::Portrait);
    EXPECT_EQ(classifyWindow(1000, 950, ScreenShape::Portrait), ScreenShape::SquareScreen);
    EXPECT_EQ(classifyWindow(1000, 770, ScreenShape::Landscape), ScreenShape::Landscape);
    EXPECT_EQ(classifyWindow(1000, 770, std::nullopt), ScreenShape::SquareScreen);
    EXPECT_EQ(classifyWindow(0, 0, std::nullopt), ScreenShape::Portrait);
}

TEST(WindowFitTest, LayoutsScaleUniformlyAndGiveSpareHeightToTheirList)
{
    const LayoutRecord& portrait = layoutRecord(7);
    ScreenSize client = layoutClientSize(portrait);
    EXPECT_EQ(client.width, 480);
    EXPECT_EQ(client.height, 536);

    // Wider than the layout: centred between two bands.
    LayoutFit wide = fitLayout(portrait, 1072, 536 * 2, true);
    EXPECT_DOUBLE_EQ(wide.scale, 2.0);
    EXPECT_EQ(wide.left, 56);
    EXPECT_EQ(wide.top, 0);
    EXPECT_EQ(wide.spareHeight, 0);

    // Taller: the list takes the rest, or the layout is centred when it has none.
    LayoutFit tall = fitLayout(portrait, 960, 1400, true);
    EXPECT_DOUBLE_EQ(tall.scale, 2.0);
    EXPECT_EQ(tall.top, 0);
    EXPECT_EQ(tall.spareHeight, 1400 - 1072);
    LayoutFit centred = fitLayout(portrait, 960, 1400, false);
    EXPECT_EQ(centred.spareHeight, 0);
    EXPECT_EQ(centred.top, (1400 - 1072) / 2);

    EXPECT_EQ(layoutClientSize(layoutRecord(3)).height, 240 - 52);
    // A square screen's board leaves no room: the panel gets two lines and a margin.
    EXPECT_EQ(layoutClientSize(layoutRecord(12)).height, 376 + 2 * 28 + 4);
    EXPECT_TRUE(layoutHasAnalysisList(8));
    EXPECT_FALSE(layoutHasAnalysisList(10));
}

} // namespace
} // namespace velmorak
