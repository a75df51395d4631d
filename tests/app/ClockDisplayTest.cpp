#include "app/ClockDisplay.h"

#include <climits>

#include <gtest/gtest.h>

#include "support/Levels.h"

using namespace velmorak;
using namespace velmorak::test;

namespace {

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
