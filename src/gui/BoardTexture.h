#pragma once

#include <QImage>
#include <span>

namespace velmorak::gui {

// The tiles of one board texture: the light squares, the dark squares and the frame, each a
// square tile `tilePx` device pixels wide (ARGB32, opaque). Each tile wraps seamlessly, so
// the frame can be filled by repeating it.
struct BoardTexture {
    QImage light, dark, frame;
};

struct BoardTextureInfo {
    int id;
    const char* name;
};

// The eleven textures in the order of the options list, with their setting values.
std::span<const BoardTextureInfo> boardTextures();

// The setting value itself when it names a texture, else 137 ("Brown").
int boardTextureId(int settingValue);

// Synthesises the texture from fixed seeds: the same value and size always give the same
// pixels. Nothing is cached; a 60-pixel texture takes about a millisecond. A size below 1 is
// taken as 1.
BoardTexture makeBoardTexture(int settingValue, int tilePx);

// The squares of a board are not tiled: each shows its own cut of a sheet of its colour,
// `kSheetSquares` squares wide and high, so that the board does not look like wallpaper.
inline constexpr int kSheetSquares = 4;

// The light and the dark sheet for squares `squarePx` device pixels wide (opaque, wrapping
// seamlessly), from fixed seeds as the tiles are.
struct BoardSheets {
    QImage light, dark;
};
BoardSheets makeBoardSheets(int settingValue, int squarePx);

// Where the square of `file` and `rank` (0..7) takes its cut: the sheet's column and row
// (in squares) of its top left corner, and whether the cut is mirrored left to right or
// turned upside down. The same for a square every time; no two squares of a colour share one.
struct SquareCut {
    int column = 0, row = 0;
    bool mirrored = false, upsideDown = false;
};
SquareCut squareCut(int settingValue, int file, int rank);

} // namespace velmorak::gui
