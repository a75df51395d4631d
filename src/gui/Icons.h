#pragma once

#include <QIcon>

namespace velmorak::gui {

// The program's own icons, compiled in as SVG and drawn sharp at any size the style asks.
// An index outside the range gives a null icon.

// The command bar's eight images in bar order: take back, show game moves, next move, move
// now, hint, analyse, toggle layout, flip board.
QIcon commandBarIcon(int image);

// The layout buttons' icons: 0..8 while not connected (new game, setup, load, save, options,
// level, replay, back 10, forward 10), 9..17 while connected (finger, seek, observe, chat,
// offer draw, resign, flag, load, save).
QIcon layoutButtonIcon(int index);

QIcon applicationIcon();

} // namespace velmorak::gui
