#include "present/LevelSheet.h"

#include <cstdio>
#include <string>

#include <gtest/gtest.h>

#include "support/Levels.h"

using namespace velmorak;
using namespace velmorak::test;

namespace {

// The entry's text written again from the level it gives: the tables, the minutes and the
// fixed page's time rules checked together.
std::string entryText(LevelPage page, const LevelRecord& l)
{
    static constexpr const char* kDepths[] = { "", "Novice", "Beginner", "Advanced" };
    char text[64];
    int length = 0;
    if (page == LevelPage::Tournament)
        std::snprintf(text, sizeof text, "%d/%dm,%d/%dm,%s/%dm", l.moves1, l.seconds1 / 60,
            l.moves2, l.seconds2 / 60, l.moves3 ? std::to_string(l.moves3).c_str() : "rest",
            l.seconds3 / 60);
    else if (page == LevelPage::Blitz)
        length = std::snprintf(text, sizeof text, "%2dmin/game", l.blitzSeconds / 60);
    else if (l.fixedSeconds == kNoTimeLimit)
        return l.fixedPlies == 60 ? "Infinite" : kDepths[l.fixedPlies];
    else if (l.fixedSeconds % 60 == 0)
        std::snprintf(text, sizeof text, "%dmin/move", l.fixedSeconds / 60);
    else
        std::snprintf(text, sizeof text, "%dsec/move", l.fixedSeconds);
    if (length && l.blitzIncrement)
        std::snprintf(text + length, sizeof text - length, "+%2ds/move", l.blitzIncrement);
    return text;
}

TEST(LevelSheetTest, PredefinedEntriesGiveTheLevelTheyName)
{
    for (LevelPage page : { LevelPage::Tournament, LevelPage::Blitz, LevelPage::Fixed }) {
        std::span<const PredefinedLevel> entries = LevelSheet::predefined(page);
        EXPECT_EQ(entries.size(), page == LevelPage::Blitz ? 15u : 10u);
        for (std::size_t i = 0; i < entries.size(); ++i) {
            LevelSheet sheet { LevelRecord {} };
            sheet.showPage(page);
            sheet.choosePredefined(page, i);
            LevelSheetResult result = sheet.finish(true);
            EXPECT_EQ(LevelSheet::startPage(result.level), page);
            EXPECT_EQ(entryText(page, result.level), entries[i].text);
        }
    }
}

TEST(LevelSheetTest, PagesAndTheirRules)
{
    const LevelRecord level = tournamentLevel(40, 7200, 40, 3600, 20, 1800);
    LevelSheet sheet(level);
    EXPECT_EQ(sheet.fields(LevelPage::Tournament)[kMinutes1Field].value, 120);

    // The second period for the rest of the game closes the third frame; the record's own
    // third period comes back when it opens again, and stays when the page is left.
    sheet.setFieldText(LevelPage::Tournament, kMoves2Field, "x");
    auto third = sheet.fields(LevelPage::Tournament)[kMoves3Field];
    EXPECT_TRUE(!third.enabled && third.maximum == 0 && third.value == 0);
    sheet.setField(LevelPage::Tournament, kMoves2Field, 30);
    third = sheet.fields(LevelPage::Tournament)[kMinutes3Field];
    EXPECT_TRUE(third.enabled && third.value == 30);
    sheet.setField(LevelPage::Tournament, kMoves2Field, 0);
    sheet.showPage(LevelPage::Fixed);
    LevelRecord expected = level;
    expected.setTournament(40, 7200, 0, 3600, 20, 1800);
    EXPECT_EQ(sheet.level(), expected);

    // The fixed page: no time limit shows as 9999; a time limit searches to depth 60.
    EXPECT_EQ(LevelSheet(fixedLevel(4, kNoTimeLimit)).fields(LevelPage::Fixed)[1].value, 9999);
    sheet.setField(LevelPage::Fixed, kFixedDepthField, 5);
    sheet.setField(LevelPage::Fixed, kFixedSecondsField, 10);
    sheet.showPage(LevelPage::Blitz);
    expected.setFixed(60, 10);
    EXPECT_EQ(sheet.level(), expected);

    // Minutes beyond 32 bits of seconds are refused like any failed check: the level stays
    // as the page left before made it.
    sheet.setField(LevelPage::Blitz, kBlitzMinutesField, 40000000);
    LevelSheetResult result = sheet.finish(true);
    EXPECT_EQ(result.level.mode, kFixedLevel);
    EXPECT_TRUE(result.changed);

    LevelSheet cancelled(level);
    cancelled.showPage(LevelPage::Blitz);
    EXPECT_EQ(cancelled.finish(false).level, level);
    EXPECT_FALSE(LevelSheet(LevelRecord {}).finish(true).changed);
}

} // namespace
