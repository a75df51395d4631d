#include "present/WindowFit.h"

#include <algorithm>
#include <cmath>

namespace velmorak {

namespace {

// Height over width of the layouts' client areas: portrait 1.12 (480 x 536), square 0.91
// (480 x 436), landscape 0.59 (640 x 376). The bounds lie halfway between; the hysteresis
// margin widens the class the window had.
constexpr double kPortraitFrom = 1.0;
constexpr double kLandscapeBelow = 0.75;
constexpr double kHysteresis = 0.04;

} // namespace

ScreenShape classifyWindow(int width, int height, std::optional<ScreenShape> previous)
{
    const double ratio = double(std::max(1, height)) / double(std::max(1, width));
    double portraitFrom = kPortraitFrom;
    double landscapeBelow = kLandscapeBelow;
    if (previous == ScreenShape::Portrait)
        portraitFrom -= kHysteresis;
    else if (previous == ScreenShape::Landscape)
        landscapeBelow += kHysteresis;
    else if (previous == ScreenShape::SquareScreen) {
        portraitFrom += kHysteresis;
        landscapeBelow -= kHysteresis;
    }
    if (ratio >= portraitFrom)
        return ScreenShape::Portrait;
    if (ratio < landscapeBelow)
        return ScreenShape::Landscape;
    return ScreenShape::SquareScreen;
}

ScreenSize largestScreen(ScreenShape shape)
{
    ScreenSize best;
    for (int i = 0; i < kLayoutCount; ++i) {
        const LayoutRecord& r = layoutRecord(i);
        if (r[kVariant] != 0)
            continue;
        const int w = r[kScreenWidth], h = r[kScreenHeight];
        const ScreenShape own = h > w
            ? ScreenShape::Portrait
            : (h == w ? ScreenShape::SquareScreen : ScreenShape::Landscape);
        if (own == shape && w * h > best.width * best.height)
            best = { w, h };
    }
    return best;
}

ScreenShape shapeOfScreen(ScreenSize screen)
{
    if (screen.height > screen.width)
        return ScreenShape::Portrait;
    return screen.height == screen.width ? ScreenShape::SquareScreen : ScreenShape::Landscape;
}

const std::vector<int>& windowLayouts(ScreenShape shape)
{
    static const std::vector<int> portrait { 7, 8 };
    static const std::vector<int> square { 12, 14 };
    static const std::vector<int> landscape { 10, 12, 14 };
    switch (shape) {
    case ScreenShape::Portrait:
        return portrait;
    case ScreenShape::SquareScreen:
        return square;
    case ScreenShape::Landscape:
        break;
    }
    return landscape;
}

bool isWindowLayout(int layout, ScreenShape shape)
{
    const std::vector<int>& cycle = windowLayouts(shape);
    return std::find(cycle.begin(), cycle.end(), layout) != cycle.end();
}

int nextWindowLayout(int current, ScreenShape shape)
{
    const std::vector<int>& cycle = windowLayouts(shape);
    const auto at = std::find(cycle.begin(), cycle.end(), current);
    if (at == cycle.end() || std::next(at) == cycle.end())
        return cycle.front();
    return *std::next(at);
}

ScreenSize layoutClientSize(const LayoutRecord& layout)
{
    const int bar = layout[kScreenWidth] >= 480 ? 52 : 26;
    int height = layout[kScreenHeight] - 2 * bar;
    // The square layouts' boards fill their screens' height; below the board a desktop
    // window keeps room for the panel's two lines and the clocks.
    if (layout[kScreenWidth] == layout[kScreenHeight])
        height = std::max(height, layout[kFramedBoardHeight] + 2 * layout[kLineHeight] + 4);
    return { layout[kScreenWidth], height };
}

LayoutFit fitLayout(const LayoutRecord& layout, int width, int height, bool analysisList)
{
    const ScreenSize client = layoutClientSize(layout);
    LayoutFit fit;
    fit.scale = std::min(double(width) / client.width, double(height) / client.height);
    if (fit.scale <= 0)
        fit.scale = 1.0;
    const double scaledWidth = client.width * fit.scale;
    const double scaledHeight = client.height * fit.scale;
    fit.left = std::floor((width - scaledWidth) / 2);
    const int spare = int(std::floor(height - scaledHeight));
    if (analysisList && spare > 0)
        fit.spareHeight = spare;
    else
        fit.top = std::floor((height - scaledHeight) / 2);
    return fit;
}

bool layoutHasAnalysisList(int layout)
{
    return layout == 0 || layout == 1 || layout == 7 || layout == 8;
}

} // namespace velmorak
