#pragma once

#include <optional>
#include <vector>

#include "present/BoardLayout.h"

namespace velmorak {

// A desktop window is larger than the screens the layouts were made for, and any shape.
// The window is classed as portrait, square or landscape by its aspect ratio; the layout
// choice is made for the largest screen of that class, and the layout is scaled uniformly
// to fill the window.

enum class ScreenShape { Portrait, SquareScreen, Landscape };

// The class of a window `width` x `height`. Near a boundary the previous class holds, so a
// window dragged across it does not flip between layouts at every pixel.
ScreenShape classifyWindow(int width, int height, std::optional<ScreenShape> previous);

// The largest screen of that class among the layouts (variant 0).
ScreenSize largestScreen(ScreenShape shape);

// The class of a screen the layouts were made for (the inverse of largestScreen).
ScreenShape shapeOfScreen(ScreenSize screen);

// The layouts "Toggle layout" cycles through in a window of this class: the distinct
// pictures that fill it, largest screen first. A smaller screen's copy of a design (layouts
// 0, 1, 3, 5) would only repeat a picture at lower resolution, so it is left out; the
// landscape class has one design of its own and borrows the square ones.
const std::vector<int>& windowLayouts(ScreenShape shape);

// Whether `layout` is one of the class's window layouts.
bool isWindowLayout(int layout, ScreenShape shape);

// The window layout after `current` in its class, wrapping; the class's first when
// `current` is not one of them.
int nextWindowLayout(int current, ScreenShape shape);

// The part of a layout's screen the board and the panel get: the screen less the title and
// command bars (26 pixels each, 52 on screens at least 480 wide). The square screens' boards
// take all of that; there the area is made taller by the panel's two lines and a margin.
ScreenSize layoutClientSize(const LayoutRecord& layout);

// Where the layout's client area lands in a window of `width` x `height` (logical pixels).
struct LayoutFit {
    double scale = 1.0;
    // Top-left corner of the scaled client area.
    double left = 0, top = 0;
    // Window height below the scaled client area that the analysis list may take (0 when
    // the layout has no list); the client area then sits at the top, not centred.
    int spareHeight = 0;
};

// `analysisList`: the layout shows the analysis list below itself when there is room.
LayoutFit fitLayout(const LayoutRecord& layout, int width, int height, bool analysisList);

// Layouts 0, 1, 7 and 8 put the analysis list below the panel when the screen is taller.
bool layoutHasAnalysisList(int layout);

} // namespace velmorak
