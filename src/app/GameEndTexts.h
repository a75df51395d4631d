#pragma once

#include <string_view>

#include "rules/GameEndCode.h"

namespace velmorak {

// What the end of a game shows, notes and records.
struct GameEndTexts {
    std::string_view message;
    // Added to the last move's comment; empty for none.
    std::string_view comment;
    // The "Result" tag; empty for none.
    std::string_view result;
};

// The texts for a position that ended the game; `whiteToMove` is the side to move in it.
GameEndTexts gameEndTexts(GameEndCode code, bool whiteToMove);
// The texts for a side whose clock ran out under "Lose on time".
GameEndTexts timeLossTexts(bool whiteLost);

} // namespace velmorak
