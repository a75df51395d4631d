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

} // namespace velmorak::gui
