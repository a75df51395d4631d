// Played, observed, resumed and loaded server games kept in step with the server's lines,
// fed through the real dispatcher into the real controller; the server is a script.
#include "app/ServerGameSync.h"

#include <algorithm>
#include <map>
#include <utility>

#include <gtest/gtest.h>

#include "rules/SanNotation.h"
#include "support/ControllerHarness.h"
#include "support/LineFile.h"
#include "support/MoveText.h"

namespace velmorak::test {
namespace {

// The session around the sync: dispatcher, host, sink and a scripted server whose replies
// to a command arrive at the next poll.
struct Session : ControllerHarness, ServerLineHandler, ServerGameHost, ServerCommandSink {
    explicit Session(std::string name)
        : ControllerHarness(std::nullopt)
        , handle(std::move(name))
    {
        c().setServerLink(&sync);
        options.autoAnswer = false;
    }

    // Lines [from, to) of `lines`.
    void feed(const std::vector<std::string>& lines, std::size_t from = 0,
        std::size_t to = std::string::npos)
    {
        for (std::size_t i = from; i < std::min(to, lines.size()); ++i)
            dispatcher.callHandlers(lines[i]);
    }
    void feed(std::initializer_list<std::string> lines) { feed(std::vector<std::string>(lines)); }
    bool logged(std::string_view text) const
    {
        return std::any_of(logLines.begin(), logLines.end(),
            [&](const std::string& line) { return line.find(text) != std::string::npos; });
    }

    bool addConsoleLine(std::string_view) override { return true; }
    bool serverGameMode() const override { return controller->state().serverGameMode; }
    bool observeMode() const override { return controller->state().observeMode; }
    bool hasCurrentGame() const override { return true; }
    int serverGameNumber() const override { return sync.gameNumber(); }
    bool takeWhoEntries(std::string_view) override { return false; }
    void handleServerLine(const ServerLineEvent& event) override { sync.handleServerLine(event); }

    void log(std::string_view text) override { logLines.emplace_back(text); }
    void setStatusLine(std::string_view) override { }
    std::string sessionHandle() const override { return handle; }
    void waitAndPoll(int ms) override
    {
        clock.advance(ms);
        feed(std::exchange(pending, {}));
    }
    bool answerCanCome() const override { return connectionOpen; }
    void beep() override { ++beeps; }
    void showNotice(std::string_view title, std::string_view text) override
    {
        events.push_back(std::string(title) + ": " + std::string(text));
    }
    void setBoardFlipped(bool blackAtBottom) override { view.flipped = blackAtBottom; }
    void closeServerSheet() override { }
    void observationEnded() override { events.emplace_back("observation ended"); }
    void gameStarted(int number, bool observing) override
    {
        events.push_back((observing ? "observing " : "playing ") + std::to_string(number));
    }
    void gameEnded(int number, const ServerGameResult& result) override
    {
        events.push_back("ended " + std::to_string(number) + " " + result.result);
    }

    void sendLine(std::string_view text) override
    {
        sent.emplace_back(text);
        auto reply = replies.find(std::string(text));
        if (reply != replies.end())
            pending.insert(pending.end(), reply->second.begin(), reply->second.end());
    }

    ServerDialect dialect = makeServerDialects()[kFicsDialect];
    std::string handle;
    bool connectionOpen = true;
    ServerDispatcher dispatcher { dialect, *this };
    ServerGameSync sync { *controller, dialect, dispatcher.flags(), *this, *this };
    std::map<std::string, std::vector<std::string>> replies;
    std::vector<std::string> pending, sent, logLines, events;
    int beeps = 0;
};

TEST(ServerGameSync, APlayedGameMoveByMoveWithTheUsersMovesSent)
{
    Session s("gbtami");
    s.prompts.answers = { true }; // the rematch
    // With "gin" on, other players' games are announced too: they start nothing.
    s.feed({ "{Game 12 (electricbenj vs. antonymelvin) Creating rated wild/fr match.}",
        "Creating: electricbenj (1535) antonymelvin (1507) rated blitz 7 8" });
    EXPECT_FALSE(s.c().state().serverGameMode);
    s.feed(icsTranscript("ficsplay.py:58"));
    ASSERT_TRUE(s.c().state().serverGameMode);
    EXPECT_EQ(s.c().state().serverGameNumber, 107);
    EXPECT_EQ(s.c().game().white(), "gbtami");
    EXPECT_EQ(s.c().game().getTag("WhiteElo"), "1708");
    EXPECT_FALSE(s.c().game().hasTag("BlackElo")) << "a guest's ++++ is no rating";
    EXPECT_EQ(s.c().level().blitzSeconds, 300);
    EXPECT_FALSE(s.view.flipped);

    const std::vector<std::string> game = icsTranscript("ficsplay.py:97");
    ASSERT_TRUE(s.play("f3"));
    s.clock.advance(900);
    s.feed(game, 0, 6); // the server confirms f3, Black plays e5
    s.clock.advance(2662);
    ASSERT_TRUE(s.play("g4"));
    s.feed(game, 6, 10);
    EXPECT_EQ(s.c().currentNode()->time(), 2000) << "the server's time for the user's move";
    s.clock.advance(4237);
    s.feed(game, 10, 12);
    EXPECT_EQ(s.movesText(), "f3 e5 g4 Qh4#");
    // The local clocks now show the server's remaining seconds.
    EXPECT_EQ(s.c().clocks().whiteSeconds, 297);
    EXPECT_EQ(s.c().clocks().blackSeconds, 295);

    s.feed(game, 12);
    EXPECT_FALSE(s.c().state().serverGameMode);
    EXPECT_EQ(s.c().game().result(), "0-1");
    EXPECT_EQ(s.c().game().getTag("Reason"), "checkmated");
    EXPECT_EQ(s.events,
        (std::vector<std::string> {
            "Game begins: Game gbtami - ggbtami (5 0) begins!", "playing 107", "ended 107 0-1" }));
    ASSERT_EQ(s.prompts.shown.size(), 1u);
    EXPECT_EQ(s.prompts.shown[0],
        "Game finished: Game 107 finished!\ngbtami - ggbtami: 0-1 (checkmated)\n\nOffer ggbtami "
        "to play another game?");
    EXPECT_EQ(s.sent, (std::vector<std::string> { "f3", "g4", "Match ggbtami unrated 5 0 " }));
}

TEST(ServerGameSync, TheUsersMovesInTheServersSpellingAndOneRetryWhenAmbiguous)
{
    struct Row {
        const char* fen;
        const char* san;
        const char* sent;
    } rows[] = {
        { "4k3/8/8/8/8/8/8/2B1K3 w - - 0 1", "Bg5", "c1g5" },
        { "4k3/8/8/8/8/2p5/1P6/4K3 w - - 0 1", "bxc3", "b2c3" },
        { "1n2k3/P7/8/8/8/8/8/4K3 w - - 0 1", "axb8=Q+", "axb8=Q+" },
        { "1nb1k3/1P6/8/8/8/8/8/4K3 w - - 0 1", "bxc8=B", "b7c8=B" },
        { "4k3/8/8/8/8/8/8/4K2R w K - 0 1", "O-O", "O-O" },
    };
    Session s("me");
    for (const Row& row : rows) {
        Board board(row.fen);
        const Move move = readSan(board, row.san);
        ASSERT_NE(move, NoMove) << row.san;
        CGameNode node(move, writeSan(board, move), 1);
        EXPECT_EQ(s.sync.serverMoveText(node), row.sent) << row.san;
    }

    s.feed({ "Creating: me (1500) you (1600) rated blitz 3 0",
        "{Game 5 (me vs. you) Creating rated blitz match.}" });
    ASSERT_TRUE(s.play("Nf3"));
    s.feed({ "Ambiguous move (Nf3).", "Ambiguous move (Nf3)." });
    EXPECT_EQ(s.sent, (std::vector<std::string> { "Nf3", "g1f3" })) << "retried once";
}

TEST(ServerGameSync, AnObservedGameWithTakeBacksRefreshesAndItsEnd)
{
    Session s("gbtami");
    std::vector<std::string> game = icsTranscript("ficslecturebot.py:78");
    for (const std::string& line : icsTranscript("ficslecturebot.py:97"))
        game.push_back(line);
    ASSERT_EQ(game.size(), 12u);
    s.feed({ "You are now observing game 1." });
    ASSERT_TRUE(s.c().state().observeMode);
    // Two refreshes of the starting position: nothing to take back, the observation goes on.
    s.feed(game);
    EXPECT_EQ(s.movesText(), "Nf3 c5 g3 b6");
    ASSERT_TRUE(s.c().state().observeMode);

    // The server backs up to Black's c5: two half-moves go, then g3 comes again.
    s.feed({ game[5], game[8] });
    EXPECT_EQ(s.movesText(), "Nf3 c5 g3 b6") << "the old line is kept behind the main line";
    EXPECT_EQ(s.c().board().fen(), positionAfter("g1f3 c7c5 g2g3").fen());
    EXPECT_TRUE(s.logged("Takeback?. Expected halfmovenumber 3 but got 0"));
    EXPECT_TRUE(s.c().state().observeMode);

    // Dropped: another game, an examined game's relation, a line skipping a move, a line cut
    // short, a number out of range.
    const std::string b6 = game[10];
    const std::string skip =
        "<12> rnbqkbnr p--ppppp -p------ --p----- -------- -----NP- PPPPPP-P RNBQKB-R W -1 1 "
        "1 1 1 0 1 Henley Browne -2 0 0 39 39 0 0 4 P/b7-b6 (0:00.000) b6 0 0 0";
    s.feed({ std::string(b6).replace(b6.find(" 1 Henley"), 9, " 2 Henley"),
        std::string(b6).replace(b6.find(" -2 0 0"), 7, " 2 0 0 "), skip, b6.substr(0, 60),
        std::string(b6).replace(b6.find(" 3 P/b7"), 7, " 99999999999 P/b7") });
    EXPECT_EQ(s.c().board().fen(), positionAfter("g1f3 c7c5 g2g3").fen());
    EXPECT_TRUE(s.logged("ERRROR unexpected relation 2 when observing"));
    EXPECT_TRUE(s.logged("unexpected halfmove number. Expected 2 but got 4"));
    EXPECT_TRUE(s.logged("fewer than 29"));

    s.feed({ b6, "Removing game 1 from observation list." });
    EXPECT_EQ(s.c().board().fen(), positionAfter("g1f3 c7c5 g2g3 b7b6").fen());
    EXPECT_FALSE(s.c().state().observeMode);
    EXPECT_TRUE(s.sent.empty()) << "the server ended it: no unobserve";
    EXPECT_EQ(s.events.back(), "observation ended");

    // A result while observing: the message offers no rematch.
    s.feed({ "You are now observing game 1.", "{Game 1 (Henley vs. Browne) Browne resigns} 1-0" });
    EXPECT_FALSE(s.c().state().observeMode);
    EXPECT_EQ(s.c().game().result(), "1-0");
    ASSERT_EQ(s.prompts.shown.size(), 1u);
    EXPECT_TRUE(s.prompts.shown[0].starts_with("Velmorak: Game 1 finished!\n"));
    EXPECT_EQ(s.prompts.shown[0].find("Offer"), std::string::npos);
    EXPECT_EQ(s.beeps, 1);
}

TEST(ServerGameSync, AnObservedGameIsLoadedFromItsMoveListThenFollowed)
{
    Session s("gbtami");
    s.replies["observe 463"] = icsTranscript("ficsmanagers.py:1129");
    std::vector<std::string> list = icsTranscript("ficsobserve.py:104");
    list.push_back("fics% ");
    s.replies["moves 463"] = list;
    ASSERT_TRUE(s.sync.receiveObserveGame(463));
    EXPECT_EQ(s.sent, (std::vector<std::string> { "observe 463", "moves 463" }));
    EXPECT_EQ(s.c().state().plyNumber, 73);
    EXPECT_EQ(s.c().game().getTag("Date"), "Sat Jan 23 2016");
    EXPECT_EQ(s.c().game().getTag("BlackElo"), "2158");
    EXPECT_EQ(levelText(s.c().level()), "Level 45min+45sec");
    EXPECT_EQ(s.c().state().whiteTimeUsed, 3648000) << "the list's times, whole seconds";

    s.feed(icsTranscript("ficsobserve.py:166"));
    EXPECT_EQ(s.c().state().plyNumber, 75);
    EXPECT_EQ(s.c().currentNode()->san(), "Rg8");
}

TEST(ServerGameSync, AResumedGameFetchesItsMovesAndKeepsItsNumberWhenTheyDoNotCome)
{
    const std::vector<std::string> created = {
        "Creating: BwanaSlei (1137) mgatto (1336) rated blitz 5 0",
        "{Game 12 (BwanaSlei vs. mgatto) Continuing rated blitz match.}",
    };
    std::vector<std::string> list = icsTranscript("BoardManagerTests.test15");
    list.pop_back(); // the prompt, without its blank as the file keeps it
    list.push_back("fics% ");

    Session s("mgatto");
    s.replies["moves 12"] = list;
    s.feed(created);
    EXPECT_TRUE(s.view.flipped) << "the user plays Black";
    ASSERT_TRUE(s.sync.fetchResumedMoves());
    EXPECT_FALSE(s.sync.fetchResumedMoves()) << "once";
    EXPECT_EQ(s.movesText(), "e4 c5 Nf3");
    ASSERT_TRUE(s.play("d6"));
    EXPECT_EQ(s.sent, (std::vector<std::string> { "moves 12", "d6" }));

    Session silent("mgatto");
    silent.feed(created);
    EXPECT_TRUE(silent.sync.fetchResumedMoves());
    EXPECT_TRUE(silent.logged("ERROR: timeout when receiving moves of adjourned (12,0)!"));
    EXPECT_TRUE(silent.c().state().serverGameMode);
    EXPECT_EQ(silent.c().state().serverGameNumber, 12) << "later board lines still reach it";
    EXPECT_FALSE(silent.dispatcher.flags().bReceivingMoves);

    // On a connection found closed the fetch gives up at once, keeping the game the same way.
    Session closed("mgatto");
    closed.feed(created);
    closed.connectionOpen = false;
    const std::int64_t before = closed.clock.ticks();
    EXPECT_TRUE(closed.sync.fetchResumedMoves());
    EXPECT_EQ(closed.clock.ticks(), before);
    EXPECT_EQ(closed.c().state().serverGameNumber, 12);
}

TEST(ServerGameSync, ClockCorrectionsStayInRangeAndUntimedGamesHaveNone)
{
    // The server's figure past anything the local clock holds: the used time becomes 0,
    // never negative; a negative remaining time (a fallen flag) is charged; an untimed game
    // keeps the move times as they are.
    struct Row {
        const char* kind;
        const char* times; // White's and Black's remaining seconds
        std::int64_t whiteUsed;
        std::int64_t blackUsed;
    } rows[] = { { "blitz 5 0", "999999999 -30", 0, 330000 }, { "blitz 5 0", "300 300", 0, 0 },
        { "untimed 0 0", "0 0", 5000, 7000 } };
    for (const Row& row : rows) {
        Session s("me");
        s.feed({ "Creating: me (1500) you (1600) rated " + std::string(row.kind),
            "{Game 5 (me vs. you) Creating rated blitz match.}" });
        s.clock.advance(5000);
        ASSERT_TRUE(s.play("e4"));
        s.feed({ "<12> rnbqkbnr pppp-ppp -------- ----p--- ----P--- -------- PPPP-PPP RNBQKBNR W 4 "
                 "1 1 1 1 0 5 me you 1 5 0 39 39 " +
            std::string(row.times) + " 2 P/e7-e5 (0:07) e5 0 1 0" });
        EXPECT_EQ(s.movesText(), "e4 e5");
        EXPECT_EQ(s.c().state().whiteTimeUsed, row.whiteUsed) << row.times;
        EXPECT_EQ(s.c().state().blackTimeUsed, row.blackUsed) << row.times;
    }
}

} // namespace
} // namespace velmorak::test
