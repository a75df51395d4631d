#include "app/LevelRecord.h"

#include <climits>

#include <gtest/gtest.h>

#include "app/ClockDisplay.h"
#include "app/SearchLevel.h"
#include "settings/RegistrySettings.h"
#include "support/Levels.h"
#include "support/MemorySettingsStore.h"

using namespace velmorak;
using namespace velmorak::test;

namespace {

TEST(LevelRecordTest, SettersKeepTheRecordWhenTheirCheckFails)
{
    LevelRecord level;
    EXPECT_FALSE(level.setTournament(40, 600, -1, 600, 40, 600) || level.setBlitz(300, -1) ||
        level.setFixed(0, 5) || level.setFixed(5, 0));
    EXPECT_EQ(level, LevelRecord {});
    EXPECT_EQ(fixedLevel(99, 5).fixedPlies, 60);
}

TEST(LevelRecordTest, PeriodsAndRemainingTime)
{
    struct Row {
        const char* name;
        LevelRecord level;
        int move;
        std::int64_t used;
        Period period;
        Remaining remaining;
    };
    const LevelRecord classic = tournamentLevel(40, 7200, 40, 3600, 0, 1800);
    const Row rows[] = {
        { "end of the first period", classic, 40, 7000, { 40, 7200 }, { 1, 200 } },
        { "second period", classic, 41, 7000, { 40, 3600 }, { 40, 3800 } },
        { "third period, rest of the game", classic, 81, 0, { 0, 1800 }, { 0, 12600 } },
        { "third period repeated", tournamentLevel(40, 1200, 40, 1200, 40, 1200), 121, 3700,
            { 40, 1200 }, { 40, 1100 } },
        { "second period, rest of the game", tournamentLevel(40, 600, 0, 300, 40, 60), 500, 1000,
            { 0, 300 }, { 0, -100 } },
        { "move 0 counts as move 1", classic, 0, 0, { 40, 7200 }, { 40, 7200 } },
        { "sums beyond 32 bits", tournamentLevel(INT_MAX - 1, INT_MAX, INT_MAX, INT_MAX, 1, 1),
            INT_MAX, 0, { INT_MAX, INT_MAX }, { INT_MAX, 2LL * INT_MAX } },
        { "products beyond 32 bits", tournamentLevel(1, INT_MAX, 1, INT_MAX, 1, INT_MAX), INT_MAX,
            0, { 1, INT_MAX }, { 1, std::int64_t { INT_MAX } * INT_MAX } },
    };
    for (const Row& row : rows) {
        EXPECT_EQ(periodAt(row.level, row.move), row.period) << row.name;
        EXPECT_EQ(remainingAt(row.level, row.move, row.used), row.remaining) << row.name;
    }
}

TEST(LevelRecordTest, SavedLevelLoadsBackWithItsStoredMode)
{
    MemorySettingsStore store;
    RegistrySettings settings(store);
    LevelRecord saved = tournamentLevel(30, 900, 0, 600, 20, 300);
    saved.setBlitz(120, 1);
    saved.setFixed(8, kNoTimeLimit);
    saved.setMode(kBlitzLevel);
    ASSERT_TRUE(saveLevel(settings, saved));
    LevelRecord loaded = fixedLevel(1, 1);
    loadLevel(settings, loaded);
    EXPECT_EQ(loaded, saved);

    // A stored value the setter refuses keeps that part of the record.
    settings.writeInt(kLevelBlitzIncrementSetting, -5);
    LevelRecord partial;
    loadLevel(settings, partial);
    EXPECT_TRUE(partial.blitzSeconds == 300 && partial.fixedPlies == 8);

    store.failWrites = true;
    EXPECT_FALSE(saveLevel(settings, saved));
}

// Level specs, and the level lines of what they give.
TEST(LevelRecordTest, LevelSpecsAndLevelLines)
{
    LevelRecord other;
    other.setMode(7);
    EXPECT_EQ(levelText(other), " ");
    EXPECT_EQ(levelText(LevelRecord {}), "Level 5min");
    const LevelRecord base = tournamentLevel(1, 2, 3, 4, 5, 6);
    const std::pair<const char*, const char*> rows[] = {
        { "depth:12", "Level 12 plies" },
        { "depth:1", "Level Novice" },
        { "movetime:7", "Level 7sec per move" },
        { "infinite", "Level infinite" },
        { "blitz:5+3", "Level 5min+3sec" },
        { "blitz:15", "Level 15min" },
        { "tournament:40/90", "Level 40/90,rest/90" },
        { "tournament:40/120,20/60", "Level 40/120,20/60,rest/60" },
        { "tournament:40/120,0/60", "Level 40/120,rest/60" },
        { "tournament:40/120,40/60,30", "Level 40/120,40/60,rest/30" },
        { "tournament:40/20,40/20,40/20", "Level 40/20,40/20,40/20" },
    };
    for (const auto& [spec, line] : rows) {
        Result<LevelRecord> level = parseLevelSpec(spec, base);
        ASSERT_TRUE(level) << level.error().message;
        EXPECT_EQ(levelText(*level), line) << spec;
    }
    // A second period for the rest of the game keeps the third it never reaches.
    EXPECT_EQ(parseLevelSpec("tournament:40/90", base)->moves3, 5);

    const std::pair<const char*, const char*> bad[] = {
        { "infinite:5", "unknown level" },
        { "depth:61", "the depth must be 1 to 60" },
        { "blitz:35791395", "must be 1 to 35791394" },
        { "blitz:5+99999999999", "the increment must be 0 to 2147483647" },
        { "tournament:40", "has no /" },
        { "depth:-3", "must be a whole number" },
        { "tournament:40/120,0/60,30", "never reached" },
    };
    for (const auto& [spec, reason] : bad) {
        Result<LevelRecord> level = parseLevelSpec(spec, base);
        ASSERT_FALSE(level) << spec;
        EXPECT_NE(level.error().message.find(reason), std::string::npos) << level.error().message;
        EXPECT_NE(level.error().message.find("; expected "), std::string::npos) << spec;
    }
}

TEST(SearchLevelTest, EveryKindOfLevel)
{
    const LevelRecord perMove = fixedLevel(7, 10), blitz = blitzLevel(300, 3);
    const LevelRecord tournament = tournamentLevel(40, 7200, 40, 3600, 0, 1800);
    LevelRecord other;
    other.setMode(9);
    struct Row {
        const char* name;
        LevelRecord level;
        SearchLevelInputs inputs;
        LevelCommands commands; // time control (send, moves, seconds), then the level
    };
    const Row rows[] = {
        { "analysis", perMove, { true, 11, 250 }, { false, 0, 0, 1, 999999, 0, 99 } },
        { "fixed depth", fixedLevel(7, kNoTimeLimit), { false, 11, 250 },
            { false, 0, 0, 1, 999999, 0, 7 } },
        { "fixed time", perMove, { false, 11, 250 }, { true, 1, 10, 1, 10, 0, 99 } },
        { "blitz 5+3 at move 11", blitz, { false, 11, 250 }, { true, 0, 0, 0, 80, 3, 99 } },
        { "blitz, DGT time", blitz, { false, 11, 250, 42 }, { true, 0, 0, 0, 42, 3, 99 } },
        { "blitz over time", blitz, { false, 11, 4000 }, { true, 0, 0, 0, 0, 3, 99 } },
        { "blitz beyond 32 bits", blitz, { false, 11, -(1LL << 40) },
            { true, 0, 0, 0, INT_MAX, 3, 99 } },
        { "tournament", tournament, { false, 30, 5000 }, { true, 40, 7200, 11, 2200, 0, 99 } },
        { "tournament, DGT time", tournament, { false, 30, 5000, 100 },
            { true, 40, 7200, 11, 100, 0, 99 } },
        { "tournament, move 41", tournament, { false, 41, 5000, -1 },
            { true, 40, 3600, 40, 5800, 0, 99 } },
        { "other mode", other, { false, 11, 250 }, { false, 0, 0, 1, 5, 0, 99 } },
    };
    for (const Row& row : rows)
        EXPECT_EQ(searchLevel(row.level, row.inputs), row.commands) << row.name;
}

TEST(ClockDisplayTest, ComputedClocks)
{
    struct Row {
        const char* name;
        LevelRecord level;
        ClockInputs inputs; // at 100 s
        Clocks clocks;
    };
    const Row rows[] = {
        { "white's first move brings its increment", blitzLevel(180, 2),
            { .whiteTimeUsedMs = 10999 }, { { 2, 52 }, { 3, 0 } } },
        { "the running move counts for the side to move", blitzLevel(180, 2),
            { .moveStartTick = 95000, .plyNumber = 3, .whiteToMove = false },
            { { 3, 2 }, { 2, 57 } } },
        { "defaults count down; a move start in the future adds nothing", {},
            { .moveStartTick = 160000 }, { { 5, 0 }, { 5, 0 } } },
        { "the engine's search counts from its start", {},
            { .moveStartTick = 10000, .searchStartTick = 70000, .engineSearching = true },
            { { 4, 30 }, { 5, 0 } } },
        { "a fixed level counts the move up from 0", fixedLevel(60, 5),
            { .whiteTimeUsedMs = 50000, .moveStartTick = 93000 }, { { 0, 7 }, { 0, 0 } } },
        { "analysis counts the search up from 0", {},
            { .whiteTimeUsedMs = 50000, .engineSearching = true, .analysisMode = true },
            { { 1, 40 }, { 0, 0 } } },
        { "analysis in a server game counts down", {},
            { .blackTimeUsedMs = 50000, .analysisMode = true, .serverOrObserve = true },
            { { 5, 0 }, { 4, 10 } } },
        { "tournament, rest of the game", tournamentLevel(40, 7200, 40, 3600, 0, 1800),
            { .whiteTimeUsedMs = 12000000, .plyNumber = 161 }, { { 10, 0 }, { 210, 0 } } },
    };
    for (const Row& row : rows) {
        ClockInputs inputs = row.inputs;
        inputs.now = 100000;
        EXPECT_EQ(computeClocks(row.level, inputs), row.clocks) << row.name;
    }
}

TEST(ClockDisplayTest, DisplayedPartsAndDgtClockTexts)
{
    const DgtClockTexts dgt { true, false, "0:05:07", "1:02:03" };
    struct Row {
        const char* name;
        LevelRecord level;
        std::int64_t blackUsedMs;
        DgtClockTexts dgt;
        ClockParts parts; // white, black, colons, DGT seconds, seconds
    };
    const Row rows[] = {
        { "75 minutes as hours and minutes", blitzLevel(4500, 0), 1000, {},
            { { 1, 15 }, { 1, 14 }, true, false, -1, -1, 4500, 4499 } },
        { "a negative time shows zeros", blitzLevel(60, 0), 70000, {},
            { { 1, 0 }, { 0, 0 }, true, true, -1, -1, 60, 0 } },
        { "60 hours or more show 59 and 59", blitzLevel(INT_MAX, 0), 0, {},
            { { 59, 59 }, { 59, 59 }, false, false, -1, -1, INT_MAX, INT_MAX } },
        { "the DGT clock's times", {}, 0, dgt,
            { { 5, 7 }, { 1, 2 }, true, false, 307, 3723, 307, 3723 } },
        { "no clock on the DGT board", blitzLevel(60, 0), 0, { true, false, "0:05:07", "-:--:--" },
            { { 1, 0 }, { 1, 0 }, true, true, -1, -1, 60, 60 } },
        { "the DGT clock in a server game", blitzLevel(60, 0), 0,
            { true, true, "0:05:07", "0:05:07" },
            { { 1, 0 }, { 1, 0 }, true, true, -1, -1, 60, 60 } },
    };
    for (const Row& row : rows)
        EXPECT_EQ(clockParts(row.level, { .blackTimeUsedMs = row.blackUsedMs }, row.dgt), row.parts)
            << row.name;

    ClockParts parts = clockParts({}, {}, dgt);
    EXPECT_EQ(clockText(parts, false, 1), "05:07 01 02");
    EXPECT_EQ(clockText(parts, true, 1), "01 02 05:07");
    EXPECT_EQ(clockText(parts, true, 10), "05:07 01 02");

    // DGT clock texts are read strictly.
    const std::pair<const char*, std::int64_t> texts[] = {
        { "12:0:9", 43209 },
        { "0:60:00", -1 },
        { "0:05:07x", -1 },
        { "-1:00:00", -1 },
        { "99999999999:00:00", -1 },
    };
    for (const auto& [text, seconds] : texts)
        EXPECT_EQ(dgtClockSeconds(text), seconds) << text;
}

} // namespace
