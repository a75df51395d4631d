#pragma once

#include <cstdint>

#include "app/LevelRecord.h"

namespace velmorak {

// What the engine is told before a search: SetTimeControl (timeControlMoves,
// timeControlSeconds) when sendTimeControl, then SetLevel (movesToGo, secondsLeft, increment,
// maxDepth). Every number is within 0..INT_MAX.
struct LevelCommands {
    bool sendTimeControl = false;
    int timeControlMoves = 0;
    int timeControlSeconds = 0;
    int movesToGo = 0;
    int secondsLeft = 0;
    int increment = 0;
    int maxDepth = 0;
    friend bool operator==(const LevelCommands&, const LevelCommands&) = default;
};

struct SearchLevelInputs {
    bool analysis = false;
    // The number of the move the engine is to make (for a ponder search: the engine's own
    // next move, after the predicted one).
    int moveNumber = 1;
    // The engine's side's used time in whole seconds.
    std::int64_t usedSeconds = 0;
    // The engine's side's time on a connected DGT clock; negative when it has none.
    std::int64_t dgtSeconds = -1;
};

// The level for the next search. Budgets are computed in 64 bits and clamped to 0..INT_MAX:
// a side whose time is over gets 0 seconds, never a negative or wrapped number.
LevelCommands searchLevel(const LevelRecord& level, const SearchLevelInputs& inputs);

} // namespace velmorak
