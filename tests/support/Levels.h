#pragma once

#include "app/LevelRecord.h"

namespace velmorak::test {

// Levels built through their setters, for the tests of levels, clocks and search budgets.
inline LevelRecord tournamentLevel(int m1, int s1, int m2, int s2, int m3, int s3)
{
    LevelRecord level;
    level.setTournament(m1, s1, m2, s2, m3, s3);
    return level;
}
inline LevelRecord blitzLevel(int seconds, int increment)
{
    LevelRecord level;
    level.setBlitz(seconds, increment);
    return level;
}
inline LevelRecord fixedLevel(int plies, int seconds)
{
    LevelRecord level;
    level.setFixed(plies, seconds);
    return level;
}

} // namespace velmorak::test
