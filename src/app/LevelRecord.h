#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "base/Error.h"

namespace velmorak {

class RegistrySettings;

// The kinds of level (LevelRecord::mode). Any other mode is kept as it is: the engine then
// gets a short default search and the level line is blank.
constexpr int kBlitzLevel = 1;
constexpr int kTournamentLevel = 2;
constexpr int kFixedLevel = 3;
// fixedSeconds meaning "no time limit": the fixed level searches to its depth only.
constexpr int kNoTimeLimit = 999999;
// Deepest fixed search, in half-moves; deeper requests are cut to it.
constexpr int kMaxFixedPlies = 60;

// The settings that hold the level, one Int each.
inline constexpr std::string_view kLevelModeSetting = "LEVEL_MODE";
inline constexpr std::string_view kLevelMoves1Setting = "LEVEL_TOURNAMENT_MOVES1";
inline constexpr std::string_view kLevelSeconds1Setting = "LEVEL_TOURNAMENT_SECONDS1";
inline constexpr std::string_view kLevelMoves2Setting = "LEVEL_TOURNAMENT_MOVES2";
inline constexpr std::string_view kLevelSeconds2Setting = "LEVEL_TOURNAMENT_SECONDS2";
inline constexpr std::string_view kLevelMoves3Setting = "LEVEL_TOURNAMENT_MOVES3";
inline constexpr std::string_view kLevelSeconds3Setting = "LEVEL_TOURNAMENT_SECONDS3";
inline constexpr std::string_view kLevelBlitzSecondsSetting = "LEVEL_BLITZ_SECONDS";
inline constexpr std::string_view kLevelBlitzIncrementSetting = "LEVEL_BLITZ_INCREMENT";
inline constexpr std::string_view kLevelFixedPliesSetting = "LEVEL_FIXED_PLIES";
inline constexpr std::string_view kLevelFixedSecondsSetting = "LEVEL_FIXED_SECONDS";
// "Lose on time", a Bool beside the level (not one of its eleven values); off when missing.
inline constexpr std::string_view kLoseOnTimeSetting = "LEVEL_LOSE_ON_TIME";

// The time control under which the engine plays and the clocks run. All times in seconds.
// A tournament has three periods: `moves1` moves in `seconds1`, then `moves2` in `seconds2`
// (0 moves: the second period is the rest of the game), then `moves3` in `seconds3`,
// repeated (0 moves: the rest of the game). Change it through the setters, which keep it
// unchanged when their check fails.
struct LevelRecord {
    std::int32_t mode = kBlitzLevel;
    std::int32_t moves1 = 40;
    std::int32_t seconds1 = 600;
    std::int32_t moves2 = 40;
    std::int32_t seconds2 = 600;
    std::int32_t moves3 = 40;
    std::int32_t seconds3 = 600;
    std::int32_t blitzSeconds = 300;
    std::int32_t blitzIncrement = 0;
    std::int32_t fixedPlies = 4;
    std::int32_t fixedSeconds = 1;

    // All six >= 0; mode becomes tournament.
    bool setTournament(int m1, int s1, int m2, int s2, int m3, int s3);
    // Both >= 0; mode becomes blitz.
    bool setBlitz(int seconds, int increment);
    // plies >= 1 (cut to kMaxFixedPlies) and seconds > 0; mode becomes fixed.
    bool setFixed(int plies, int seconds);
    void setMode(int newMode) { mode = newMode; }

    friend bool operator==(const LevelRecord&, const LevelRecord&) = default;
};

// One tournament period: so many moves in so many seconds.
struct Period {
    int moves = 0;
    int seconds = 0;
    friend bool operator==(const Period&, const Period&) = default;
};

// The period move `moveNumber` falls in. When the second period is the rest of the game
// (moves2 = 0), every move after the first period is in the second, never in the third.
Period periodAt(const LevelRecord& level, int moveNumber);

// Moves to the next time control (0: the period lasts for the rest of the game) and the
// seconds left for them, which are negative when the time is over. Move numbers below 1 count
// as 1; all sums are 64-bit, so no level and no used time can wrap them.
struct Remaining {
    int movesToGo = 0;
    std::int64_t seconds = 0;
    friend bool operator==(const Remaining&, const Remaining&) = default;
};
Remaining remainingAt(const LevelRecord& level, int moveNumber, std::int64_t usedSeconds);

// The level line of the status panel ("Level 5min", "Level 40/120,40/60,rest/30", ...); a
// single space for a mode that is none of the three.
std::string levelText(const LevelRecord& level);

// Reads the level from the settings: the three setters with the stored values (the defaults
// where none is stored), then the stored mode, so that it wins. A stored value that fails a
// setter's check leaves that part of `level` as it was.
void loadLevel(RegistrySettings& settings, LevelRecord& level);
// Writes all eleven values as one change of the store; false when any was not stored.
bool saveLevel(RegistrySettings& settings, const LevelRecord& level);

// The level given on the command line (`--level SPEC`, `level SPEC`), applied to a copy of
// `base` through the setters:
//
//   depth:N            fixed, N half-moves (1..60), no time limit
//   movetime:SECONDS   fixed, 60 half-moves, SECONDS per move (999999: no limit)
//   blitz:MINUTES[+INCREMENT]
//                      MINUTES (>= 1) for the game, INCREMENT seconds per move (default 0)
//   tournament:M1/T1   M1 moves (>= 1) in T1 minutes (>= 1), then the rest of the game in
//                      another T1 minutes: (M1, T1, 0, T1); the third period of `base` is kept
//                      as it is, since a second period of 0 moves never reaches it
//   tournament:M1/T1,M2/T2
//                      two periods, then the rest of the game in another T2 minutes:
//                      (M1, T1, M2, T2, 0, T2); M2 = 0 makes the second period the rest of
//                      the game (the third of `base` is kept)
//   tournament:M1/T1,M2/T2,T3
//                      the rest of the game after the second period in T3 minutes (>= 0):
//                      (M1, T1, M2, T2, 0, T3)
//   tournament:M1/T1,M2/T2,M3/T3
//                      a third period of M3 moves in T3 minutes, repeated
//   infinite           fixed, 60 half-moves, no time limit
//
// Numbers are decimal digits only; a number that is negative, too large (minutes are kept
// as seconds in 32 bits) or not a number, an unknown form, and a third period after a
// second one that lasts the rest of the game are InvalidInput errors saying what was
// expected.
Result<LevelRecord> parseLevelSpec(std::string_view spec, const LevelRecord& base);

} // namespace velmorak
