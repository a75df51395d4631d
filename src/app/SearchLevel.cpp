#include "app/SearchLevel.h"

#include <algorithm>
#include <climits>

namespace velmorak {

namespace {

// The depth and time that mean "no limit" to the engine.
constexpr int kUnlimitedDepth = 99;
// The level an unknown mode gets: a short search.
constexpr int kDefaultLevelSeconds = 5;

int clampToInt(std::int64_t value)
{
    return static_cast<int>(std::clamp<std::int64_t>(value, 0, INT_MAX));
}

std::int64_t saturatingDifference(std::int64_t a, std::int64_t b)
{
    std::int64_t difference = 0;
    if (__builtin_sub_overflow(a, b, &difference))
        return b < 0 ? INT64_MAX : INT64_MIN;
    return difference;
}

} // namespace

LevelCommands searchLevel(const LevelRecord& level, const SearchLevelInputs& inputs)
{
    LevelCommands commands;
    commands.movesToGo = 1;
    commands.maxDepth = kUnlimitedDepth;
    const std::int64_t n = std::max(inputs.moveNumber, 1);

    if (inputs.analysis) {
        commands.secondsLeft = kNoTimeLimit;
    } else if (level.mode == kFixedLevel && level.fixedSeconds == kNoTimeLimit) {
        commands.secondsLeft = kNoTimeLimit;
        commands.maxDepth = level.fixedPlies;
    } else if (level.mode == kFixedLevel) {
        commands.sendTimeControl = true;
        commands.timeControlMoves = 1;
        commands.timeControlSeconds = clampToInt(level.fixedSeconds);
        commands.secondsLeft = clampToInt(level.fixedSeconds);
    } else if (level.mode == kBlitzLevel) {
        std::int64_t remaining = saturatingDifference(
            std::int64_t { level.blitzSeconds } + (n - 1) * level.blitzIncrement,
            inputs.usedSeconds);
        if (inputs.dgtSeconds >= 0)
            remaining = inputs.dgtSeconds;
        commands.sendTimeControl = true;
        commands.movesToGo = 0;
        commands.secondsLeft = clampToInt(remaining);
        commands.increment = clampToInt(level.blitzIncrement);
    } else if (level.mode == kTournamentLevel) {
        int moveNumber = static_cast<int>(n);
        Period period = periodAt(level, moveNumber);
        Remaining remaining = remainingAt(level, moveNumber, inputs.usedSeconds);
        commands.sendTimeControl = true;
        commands.timeControlMoves = clampToInt(period.moves);
        commands.timeControlSeconds = clampToInt(period.seconds);
        commands.movesToGo = clampToInt(remaining.movesToGo);
        commands.secondsLeft =
            clampToInt(inputs.dgtSeconds >= 0 ? inputs.dgtSeconds : remaining.seconds);
    } else {
        commands.secondsLeft = kDefaultLevelSeconds;
    }
    return commands;
}

} // namespace velmorak
