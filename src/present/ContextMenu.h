#pragma once

#include <span>

#include "present/BoardLayout.h"
#include "present/CommandTable.h"

namespace velmorak {

// Which tap-and-hold menu the board offers.
enum class ContextSituation { NotConnected, PlayingServerGame, Observing, Connected };

ContextSituation contextSituation(bool connected, bool playingServerGame, bool observing);

struct ContextMenu {
    // The menu's resource id (105, 40088, 40089, 106).
    int resource;
    std::span<const MenuItem> items;
};

// "Replay moves" in these menus carries its check mark as the menu bar's does
// (isCommandChecked).
ContextMenu contextMenu(ContextSituation situation);

// Whether a press-and-hold at `point` (client coordinates, the layout's own pixels) opens the
// context menu: outside the board and above the bottom of the status area of `client`.
bool opensContextMenu(int layoutIndex, bool flipped, Rect client, Point point);

} // namespace velmorak
