#pragma once

#include <string>
#include <string_view>

#include "app/ClockDisplay.h"
#include "rules/GameEndCode.h"

namespace velmorak {

class GameController;

// What a screen reader is told of the game, where a sighted player reads the board and the
// panel: whose move it is or how the game ended, and both clocks.

// "White to move"; once the game is over the end and the result instead: "Checkmate, White
// wins, 1-0", "Stalemate, draw, 1/2-1/2". `recordedResult` is the game's Result tag where
// the shown position ends the main line, so a resigned or loaded game says "White won, 1-0"
// there; "*" or empty when the game goes on.
std::string gameStateText(GameEndCode end, bool whiteToMove, std::string_view recordedResult);

// The same for the controller's current position.
std::string gameStateText(GameController& controller);

// "White 4:59, Black 12:00": each clock's time as shown, from an hour on as "1:02:03".
std::string spokenClocks(const ClockParts& clocks);

// What the announce command says: the game's state, then both clocks.
std::string statusAnnouncement(GameController& controller);

} // namespace velmorak
