#include <gtest/gtest.h>

#include "server/ServerCommands.h"
#include "settings/AppSettings.h"
#include "support/ServerModelHarness.h"

namespace velmorak {
namespace {

using test::ServerModelHarness;
using Rows = std::vector<std::vector<std::string>>;

TEST(ServerListsTest, ReadsSeeksIntoTheDialogsColumns)
{
    ServerModelHarness fics;
    ASSERT_TRUE(fics.lists.request(ServerList::Seeks, fics.dispatcher.flags(), fics.sink));
    EXPECT_EQ(fics.sink.sent, std::vector<std::string> { "sought" });
    fics.feed({
        "  3 1843 Hamster            5   0 rated   blitz      [white]     0-9999 m",
        "  7 1500 GuestQWXZ         15   5 unrated standard              1500-1500 mf",
        " 12 1710 Wilder             3   0 rated   wild/fr                0-9999",
        " 15 ++++ GuestPLMN          1   0 unrated lightning  [black]  1200-1400",
        "4 ads displayed.",
    });
    EXPECT_FALSE(fics.dispatcher.flags().bReceivingGamesSeek);
    fics.lists.setSortMode(ServerList::Seeks, -2);
    EXPECT_EQ(fics.lists.rows(ServerList::Seeks),
        (Rows {
            { "Hamster (1843)", "5 0", "rated blitz", "[white]", "0-9999", "m" },
            { "GuestQWXZ (1500)", "15 5", "unrated standard", "", "1-9998", "f" },
            { "GuestPLMN (0)", "1 0", "unrated lightning", "[black]", "1200-1400", " " },
        }));

    ServerModelHarness icc(kIccDialect);
    icc.lists.request(ServerList::Seeks, icc.dispatcher.flags(), icc.sink);
    icc.feed({
        " 21 1520 Fritzi        blitz     3  0 u  0-9999 mf",
        " 22 1530 Fratzi        blitz     3  0 r  0-9999 fm",
        " 23 1540 Frotzi        bullet    1  0 r  0-9999 m f",
    });
    icc.lists.finish(ServerList::Seeks, icc.dispatcher.flags());
    icc.lists.setSortMode(ServerList::Seeks, 2);
    EXPECT_EQ(icc.lists.rows(ServerList::Seeks),
        (Rows {
            { "Fratzi (1530)", "3 0", "rated blitz", "", "0-9999", "mf" },
            { "Fritzi (1520)", "3 0", "unrated blitz", "", "0-9999", "mf" },
            { "Frotzi (1540)", "1 0", "rated bullet", "", "0-9999", "f" },
        }));
}

TEST(ServerListsTest, ReadsRunningStoredAndFinishedGames)
{
    ServerModelHarness fics;
    auto& flags = fics.dispatcher.flags();
    fics.lists.request(ServerList::Observe, flags, fics.sink);
    fics.feed({
        "  93 2065 Kekelsen    2130 Jasonsmate [ br  5   0]   4:11 -  4:24 (36-37) W: 14",
        "  12 ++++ GuestABCD   1400 Hidden     [pbr  3   0]   2:00 -  2:00 (39-39) B:  2",
        " 104 1500 Quiet       1600 Snail      [ su 45  45]  45:00 - 45:00 (39-39) W:  1",
        "  3 games displayed.",
    });
    fics.lists.setSortMode(ServerList::Observe, 1);
    EXPECT_EQ(fics.lists.rows(ServerList::Observe),
        (Rows {
            { "93", "Kekelsen (2065)", "Jasonsmate (2130)", "5 0 rated blitz" },
            { "104", "Quiet (1500)", "Snail (1600)", "45 45 unrated standard" },
        }));

    fics.lists.request(ServerList::Adjourned, flags, fics.sink);
    fics.feed({
        "Stored games for tester:",
        "    C Opponent       On Type          Str  M    ECO Date",
        " 1: W TheDane       N [ br  2  12]  0-0  B2   ??? Sun Nov 23,  6:14 CST 1997",
        " 2: B PyChess       Y [psu  2  12] 39-39 W3   C20 Sun Jan 11, 17:40 ??? 2009",
        "fics% ",
    });
    EXPECT_EQ(fics.lists.rows(ServerList::Adjourned),
        (Rows {
            { "black", "PyChess", "online", "2 12 unrated standard" },
            { "white", "TheDane", "offline", "2 12 rated blitz" },
        }));

    fics.lists.request(ServerList::History, flags, fics.sink);
    fics.feed({
        "History for tester:",
        "72: + 1673 W 1588 Alpha      [ br  5   0] C20 Res Fri Nov  5, 04:41 PDT 2010",
        "73: = 1680 B 1701 Beta       [ lr  1   0] B01 Rep Fri Nov  5, 04:50 PDT 2010",
        "74: - 1675 B 1650 Gamma      [ su 15   0] A00 Mat Fri Nov  5, 05:00 PDT 2010",
        "fics% ",
    });
    fics.lists.setSortMode(ServerList::History, 1);
    EXPECT_EQ(fics.lists.rows(ServerList::History),
        (Rows {
            { "+", "white", "Alpha", "1588" },
            { "=", "black", "Beta", "1701" },
            { "-", "black", "Gamma", "1650" },
        }));
    EXPECT_EQ(fics.sink.sent, (std::vector<std::string> { "games /blus", "stored", "history" }));

    ServerModelHarness icc(kIccDialect);
    icc.lists.request(ServerList::Adjourned, icc.dispatcher.flags(), icc.sink);
    icc.feed({ " Alpha(+12) Beta(3)" });
    icc.lists.setSortMode(ServerList::Adjourned, 2);
    EXPECT_EQ(icc.lists.rows(ServerList::Adjourned),
        (Rows { { "", "Alpha", "online", "" }, { "", "Beta", "offline", "" } }));
    EXPECT_EQ(icc.lists.entries(ServerList::Adjourned)[1].number, 2);
}

TEST(ServerListsTest, KindFieldsOfBothDialects)
{
    const auto dialects = makeServerDialects();
    struct Row {
        int dialect;
        const char* field;
        GameKind kind;
        bool rated;
        bool isPrivate;
        int minutes;
        int increment;
    };
    const Row rows[] = {
        { kFicsDialect, "pbr 3 0", GameKind::Blitz, true, true, 3, 0 },
        { kFicsDialect, " u  2 12", GameKind::Untimed, false, false, 2, 12 },
        { kIccDialect, " u  2 12", GameKind::None, false, false, 2, 12 },
        { kIccDialect, "rBu 1 0", GameKind::Bullet, false, false, 1, 0 },
        { kFicsDialect, "rB 2 0", GameKind::Bughouse, true, false, 2, 0 },
        { kFicsDialect, "wild 2 0", GameKind::Wild, false, false, 2, 0 },
    };
    for (const auto& row : rows) {
        GameKindRecord record;
        parseKindField(row.field, dialects[static_cast<std::size_t>(row.dialect)], record);
        EXPECT_EQ(record.kind, row.kind) << row.field;
        EXPECT_EQ(record.rated, row.rated) << row.field;
        EXPECT_EQ(record.isPrivate, row.isPrivate) << row.field;
        EXPECT_EQ(record.minutes, row.minutes) << row.field;
        EXPECT_EQ(record.increment, row.increment) << row.field;
    }
    GameKindRecord untouched;
    parseKindField("no kind here", dialects[kFicsDialect], untouched);
    EXPECT_TRUE(untouched.description.empty());
}

TEST(ServerListsTest, ReadsPlayerEntries)
{
    ServerModelHarness fics;
    fics.lists.requestWho(fics.dispatcher.flags(), fics.sink);
    fics.feed({ "1723^alice  ++++.zed   1500 bob", "----:carl  1810.dora", "  Total: 5 players",
        "5 players displayed (of 5). (*) indicates system administrator." });
    EXPECT_EQ(fics.lists.whoList(),
        (std::vector<std::string> { "bob (1500)", "dora (1810)", "zed (++++)" }));

    std::vector<std::string> names;
    EXPECT_FALSE(readWhoEntries("1500.bob 15.x", names)) << "a two-digit rating ends the line";
    EXPECT_EQ(names, std::vector<std::string> { "bob (1500)" });
    EXPECT_FALSE(readWhoEntries("++-.x", names));
}

TEST(ServerListsTest, SortOrdersAndTheirCycles)
{
    ServerModelHarness fics;
    auto& lists = fics.lists;
    lists.request(ServerList::Seeks, fics.dispatcher.flags(), fics.sink);
    fics.feed({
        "  1 1600 bert               5   0 rated   blitz                  0-9999",
        "  2 1600 Anna               5   0 rated   blitz                  0-9999",
        "  3 1800 carl               2  12 unrated blitz                  0-9999",
        "3 ads displayed.",
    });
    const auto names = [&] {
        std::vector<std::string> result;
        for (const auto& entry : lists.entries(ServerList::Seeks))
            result.push_back(entry.name);
        return result;
    };
    // Stored modes read as the default when they name no order.
    AppSettings settings;
    settings.seekSortMode = 10;
    settings.observeSortMode = -7;
    settings.adjournSortMode = 0;
    settings.historySortMode = -5;
    lists.loadSettings(settings);
    lists.storeSettings(settings);
    EXPECT_EQ(settings.seekSortMode, 1);
    EXPECT_EQ(settings.observeSortMode, -7);
    EXPECT_EQ(settings.adjournSortMode, 3);
    EXPECT_EQ(settings.historySortMode, 3);

    // Suitability against the default seek (2 12 unrated auto): carl's seek is the same.
    EXPECT_EQ(names(), (std::vector<std::string> { "carl", "bert", "Anna" }));
    lists.setSortSeek(true);
    lists.clickColumn(ServerList::Seeks, 0);
    EXPECT_FALSE(lists.sortSeek());
    EXPECT_EQ(lists.sortMode(ServerList::Seeks), 2);
    EXPECT_EQ(names(), (std::vector<std::string> { "Anna", "bert", "carl" }));
    lists.clickColumn(ServerList::Seeks, 0);
    EXPECT_EQ(names(), (std::vector<std::string> { "carl", "bert", "Anna" }));
    lists.clickColumn(ServerList::Seeks, 0);
    EXPECT_EQ(names(), (std::vector<std::string> { "carl", "Anna", "bert" }));
    lists.clickColumn(ServerList::Seeks, 0);
    EXPECT_EQ(lists.sortMode(ServerList::Seeks), -3);
    EXPECT_EQ(names(), (std::vector<std::string> { "Anna", "bert", "carl" }))
        << "reversed rating order keeps equal ratings in name order";
    lists.clickColumn(ServerList::Seeks, 0);
    EXPECT_EQ(lists.sortMode(ServerList::Seeks), 2);
    lists.setSortMode(ServerList::Seeks, 42);
    EXPECT_EQ(lists.sortMode(ServerList::Seeks), 1);

    EXPECT_EQ(nextSortMode(ServerList::Observe, 3, -6), 7);
    EXPECT_EQ(nextSortMode(ServerList::Observe, 3, -7), 6);
    EXPECT_EQ(nextSortMode(ServerList::History, 2, 3), -3);
    EXPECT_EQ(nextSortMode(ServerList::Adjourned, 1, 3), 2);
}

TEST(ServerListsTest, AnyChangeOfAListClearsItsSelection)
{
    ServerModelHarness fics;
    auto& lists = fics.lists;
    auto& flags = fics.dispatcher.flags();
    const auto fetch = [&] {
        lists.request(ServerList::Observe, flags, fics.sink);
        fics.feed(
            { "  93 2065 Kekelsen    2130 Jasonsmate [ br  5   0]   4:11 -  4:24 (36-37) W: 14",
                "  94 1500 Alpha       1400 Beta       [ br  5   0]   4:11 -  4:24 (36-37) W: 14",
                "  2 games displayed." });
    };
    fetch();
    ASSERT_TRUE(lists.select(ServerList::Observe, 1));
    ASSERT_EQ(lists.selectedEntry(ServerList::Observe)->number, 94);
    lists.clickColumn(ServerList::Observe, 0);
    EXPECT_EQ(lists.selectedEntry(ServerList::Observe), nullptr) << "re-sorted";
    lists.select(ServerList::Observe, 0);
    fetch();
    EXPECT_EQ(lists.selection(ServerList::Observe), -1) << "fetched again";
    EXPECT_FALSE(lists.select(ServerList::Observe, 2));

    // A second request while one is arriving is refused and logged.
    lists.request(ServerList::Observe, flags, fics.sink);
    EXPECT_FALSE(lists.request(ServerList::Observe, flags, fics.sink));
    EXPECT_EQ(fics.logged.back(), "ERROR: bReceivingGamesObserve true in receiveObserveList");
}

TEST(ServerListsTest, CommandsFromTheSeekSettings)
{
    const auto dialects = makeServerDialects();
    ServerSeekSettings seek;
    seek.minutes = 5;
    seek.increment = 0;
    seek.rated = true;
    seek.colour = kColourWhite;
    seek.manual = true;
    seek.formula = true;
    EXPECT_EQ(
        seekLine(dialects[kFicsDialect], seek), "seek 5 0 rated white manual formula 0-9999 ");
    EXPECT_EQ(seekLine(dialects[kIccDialect], seek), "seeking 5 0 r white manual 0-9999 f ");
    EXPECT_EQ(matchLine(dialects[kFicsDialect], "bob", seek), "Match bob rated 5 0 white");
    EXPECT_EQ(matchLine(dialects[kIccDialect], "bob", seek), "match bob 5 0 r white");

    test::RecordingCommandSink sink;
    ServerReceiveFlags flags;
    ServerCommands commands(dialects[kFicsDialect], sink, flags, [](std::string_view) {});
    const ServerActionState offline;
    const ServerActionState playing { true, true };
    const ServerActionState idle { true, false };
    ServerListEntry entry;
    entry.number = 17;
    EXPECT_EQ(commands.sendSeek(offline, seek), kPleaseLogin);
    EXPECT_EQ(commands.sendPlay(playing, &entry), kFinishGameFirst);
    EXPECT_EQ(commands.sendPlay(idle, nullptr), kSelectGameFirst);
    EXPECT_TRUE(sink.sent.empty());
    EXPECT_FALSE(commands.sendInGame(idle, InGameCommand::Resign));
    EXPECT_TRUE(commands.sendMatch(idle, "bob (1500)", seek).empty());
    EXPECT_TRUE(flags.bAwaitingReply);
    commands.sendPlay(idle, &entry);
    commands.sendUnseek(playing);
    commands.sendInGame(playing, InGameCommand::Flag);
    commands.sendTakeback(playing, true);
    EXPECT_EQ(sink.sent,
        (std::vector<std::string> {
            "Match bob rated 5 0 white", "play 17", "unseek", "flag", "takeback 2" }));
    EXPECT_EQ(inGameQuestion(InGameCommand::Draw)->title, "Offer draw?");
    EXPECT_EQ(inGameQuestion(InGameCommand::Adjourn), nullptr);
}

TEST(ServerListsTest, ChallengesAndOffers)
{
    ServerModelHarness fics;
    fics.feed({ "Challenge: ggbtami (----) gbtami (1708) unrated blitz 5 0." });
    ASSERT_TRUE(fics.challenge);
    EXPECT_EQ(fics.challenge->players(), "ggbtami (----) - gbtami (1708)");
    EXPECT_EQ(fics.challenge->terms(), "5 0 unrated blitz");
    EXPECT_EQ(fics.challenge->note(), "(no preferred color)");
    const auto log = [&](std::string_view text) { fics.logged.emplace_back(text); };
    EXPECT_TRUE(fics.challenge->answer(true, fics.dialect, fics.sink, log));

    fics.feed({ "Challenge: GuestFQPB (----) [white] GBTAMI (1322) unrated wild 2 12." });
    EXPECT_EQ(fics.challenge->note(), "Opponent wants to play white.");
    EXPECT_EQ(fics.challenge->terms(),
        "2 12 unrated wild\nWarning: Velmorak does not support this mode!");
    EXPECT_TRUE(fics.challenge->answer(false, fics.dialect, fics.sink, log));
    EXPECT_EQ(fics.sink.sent, (std::vector<std::string> { "accept ggbtami", "decline GuestFQPB" }));

    // A challenge between two others is never answered: the reply would hit another offer.
    fics.feed({ "Challenge: alice (1500) bob (1600) rated blitz 5 0 (adjourned)" });
    EXPECT_EQ(fics.challenge->note(), "Opponent asks to continue adjourned game.");
    const auto logged = fics.logged.size();
    EXPECT_FALSE(fics.challenge->answer(true, fics.dialect, fics.sink, log));
    EXPECT_EQ(fics.sink.sent.size(), 2U);
    EXPECT_EQ(fics.logged.size(), logged + 1);

    fics.playing = true;
    fics.feed({ "ggbtami offers you a draw." });
    ASSERT_TRUE(fics.prompt);
    EXPECT_EQ(fics.prompt->text, "ggbtami offers you a draw. Accept?");
    EXPECT_EQ(fics.prompt->noLine, "decline ");
    fics.feed({ "ggbtami would like to take back 2 half move(s)." });
    EXPECT_EQ(fics.prompt->text, "Opponent requests to take back 2 half moves. Accept?");
    EXPECT_EQ(fics.prompt->yesLine, "accept");

    ServerModelHarness icc(kIccDialect);
    icc.playing = true;
    icc.feed({ "Opponent declines your draw offer." });
    ASSERT_TRUE(icc.prompt);
    EXPECT_EQ(icc.prompt->text, "Rival declines your draw offer");
    EXPECT_FALSE(icc.prompt->question);
}

} // namespace
} // namespace velmorak
