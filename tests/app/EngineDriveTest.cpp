// The controller driving the test plug-in: answers, "Move now!" in each engine state,
// pondering, analysis, the levels sent, the hash size, and the races of two threads.
#include <algorithm>

#include <gtest/gtest.h>

#include "support/ControllerHarness.h"

namespace velmorak::test {
namespace {

using namespace std::chrono_literals;
using Calls = std::vector<std::string>;

const std::string kStart(kStartFen);

struct Engine : ControllerHarness {
    explicit Engine(std::string engineScript = {})
        : ControllerHarness(std::move(engineScript))
    {
        store.values["EngineBookfilename"] = RegistryValue::string("/books/e.bin");
    }
    void waitIdle() { ASSERT_TRUE(c().engine().waitUntilIdle(10s)); }
};

TEST(EngineDrive, OnePlayerGameTheEngineAnswersEachMove)
{
    Engine h("line 5 e7e5 g1f3");
    ASSERT_TRUE(h.play("e4"));
    h.waitIdle();
    EXPECT_EQ(h.movesText(), "e4") << "the engine thread never touches the game itself";
    h.settle();
    EXPECT_EQ(h.movesText(), "e4 e5");
    EXPECT_TRUE(std::count(h.view.events.begin(), h.view.events.end(), "draw e2e4") &&
        std::count(h.view.events.begin(), h.view.events.end(), "draw* e7e5"))
        << "only the engine's move is highlighted";
    EXPECT_EQ(h.callsFrom("SetPosition"),
        (Calls { "SetPosition " + kStart, "EnterMove e2e4", "SetBook /books/e.bin 2",
            "SetTimeControl 0 0", "SetLevel 0 300 0 99", "StartAnalyse 0" }));
    EXPECT_EQ(h.countCalls("StartAnalyse 1"), 0) << "pondering is off";
    EXPECT_GT(h.c().state().moveStartTick, 0) << "the user's clock runs";
}

TEST(EngineDrive, AnEngineThatGivesNoMoveSaysWhyAndALostOneSearchesOnceMore)
{
    const std::string lost = "error the engine 'x' stopped during the search: it crashed";
    const std::string why = "Velmorak: The engine gave no move: " + lost.substr(6);
    const std::string again = why + ". It is started again and searches once more.";
    const struct {
        const char* name;
        std::string script;
        Calls shown;
        int searches;
        const char* moves;
    } rows[] = {
        { "lost with a line, then answering", "line 0 d7d5;" + lost + ";---;line 0 e7e5", { again },
            2, "e4 e5" },
        { "lost twice", lost, { again, why + "." }, 2, "e4" },
        { "no move (bestmove (none))", "nodes 1", { "Velmorak: The engine gave no move." }, 1,
            "e4" },
        { "a move of the wrong side", "line 0 e2e4", { "Velmorak: The engine gave no move." }, 1,
            "e4" },
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        Engine h(row.script);
        ASSERT_TRUE(h.play("e4"));
        h.settle();
        EXPECT_EQ(h.prompts.shown, row.shown);
        EXPECT_EQ(h.countCalls("StartAnalyse 0"), row.searches);
        EXPECT_EQ(h.movesText(), row.moves);
    }
}

TEST(EngineDrive, HashTablesAreClearedOnlyWhileTheEngineRests)
{
    Engine h("waitstop;line 0 e7e5");
    h.searchAfter("e4");
    EXPECT_FALSE(h.c().clearHashTables());
    EXPECT_EQ(
        h.prompts.shown.back(), "Velmorak: Can\u00b4t clear hashtables while engine is running");
    h.c().stopEngine(false);
    h.waitIdle();
    EXPECT_TRUE(h.c().clearHashTables());
    EXPECT_EQ(h.countCalls("ClearHashtables"), 1);
}

TEST(EngineDrive, TwoPlayersTheEngineMovesOnlyOnMoveNow)
{
    Engine h("waitstop;line 0 first");
    h.options.autoAnswer = false;
    ASSERT_TRUE(h.play("e4"));
    ASSERT_TRUE(h.play("e5"));
    EXPECT_EQ(h.countCalls("StartAnalyse"), 0);
    h.c().moveNow();
    EXPECT_TRUE(h.c().isEngineBusy()) << "busy from the command on, not from its start";
    h.c().moveNow();
    h.settle();
    EXPECT_EQ(h.c().state().plyNumber, 4) << "the engine played one move for White";
    EXPECT_EQ(h.countCalls("StartAnalyse"), 1);
}

TEST(EngineDrive, MoveNowOnThePlayersTurnNamesTheEngineForThePlayersColour)
{
    using Tags = std::vector<std::string>; // White, WhiteElo, Black, BlackElo
    const struct {
        const char* name;
        Tags before, after;
    } rows[] = {
        { "unnamed", { "", "", "", "" }, { "Velmorak", "", "Owner", "" } },
        { "named", { "Owner", "1500", "Velmorak", "" }, { "Velmorak", "", "Owner", "1500" } },
        { "two other players", { "Ann", "", "Bob", "" }, { "Ann", "", "Bob", "" } },
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        Engine h("line 0 first");
        CGame& game = h.c().game();
        const char* names[] = { "White", "WhiteElo", "Black", "BlackElo" };
        for (int i = 0; i < 4; ++i) {
            if (!row.before[i].empty())
                game.setTag(names[i], row.before[i]);
        }
        h.c().moveNow();
        h.settle();
        EXPECT_EQ(h.c().state().plyNumber, 2) << "the engine played White's first move";
        Tags after;
        for (const char* name : names)
            after.push_back(game.getTag(name));
        EXPECT_EQ(after, row.after);
    }
}

TEST(EngineDrive, MoveNowWhileSearchingPlaysTheBestMoveSoFar)
{
    Engine h("line 3 d7d5;waitstop;line 7 e7e5");
    h.searchAfter("e4");
    EXPECT_FALSE(h.play("d4")) << "board input waits while the engine searches";
    h.c().moveNow();
    h.settle();
    EXPECT_EQ(h.movesText(), "e4 e5");
}

TEST(EngineDrive, TakeBackWhileSearchingPlaysNothing)
{
    Engine h("waitstop;line 7 e7e5");
    h.searchAfter("e4");
    h.c().takeBackMove(false);
    h.settle();
    EXPECT_EQ(h.c().board().fen(), kStart);
    EXPECT_EQ(h.c().game().root()->child(0)->childCount(), 0)
        << "the line reported after the stop is never played";
    // The same for a jump to a node and for a level change.
    h.c().forwardMove();
    h.c().moveNow();
    h.waitForCall("StartAnalyse 0", 2);
    h.c().gotoNode(h.c().game().root());
    LevelRecord level = h.c().level();
    level.setBlitz(60, 1);
    h.c().moveNow();
    h.waitForCall("StartAnalyse 0", 3);
    h.c().applyLevel(level);
    EXPECT_TRUE(h.c().state().showLevelLine);
    h.settle();
    EXPECT_EQ(h.c().game().root()->child(0)->childCount(), 0);
    EXPECT_EQ(h.c().state().plyNumber, 1);
}

TEST(EngineDrive, PonderHitWhileRunningGoesOnAsTheRealSearch)
{
    Engine h("line 0 e7e5 g1f3\n---\nline 0 b8c6 f1b5");
    LevelRecord level;
    level.setTournament(40, 7200, 40, 3600, 0, 1800);
    h.c().applyLevel(level);
    h.ponderAfter("e4");
    Board board = h.c().board();
    EXPECT_EQ(h.c().state().ponderMove, board.findMove(0x60, 0x52, kEmpty));
    // The engine's own next move: Black's second, 39 to go.
    EXPECT_EQ(h.callsFrom("SetTimeControl"),
        (Calls { "SetTimeControl 40 7200", "SetLevel 39 7200 0 99", "StartAnalyse 1" }));
    ASSERT_TRUE(h.play("Nf3"));
    h.settle();
    EXPECT_EQ(h.movesText(), "e4 e5 Nf3 Nc6");
    EXPECT_EQ(h.countCalls("SetPonderOff"), 1);
    EXPECT_EQ(h.countCalls("StartAnalyse 0"), 1) << "the ponder search was not restarted";
}

TEST(EngineDrive, PonderResultReadyIsPlayedAtOnceAndChargedNothing)
{
    Engine h("line 0 e7e5 g1f3\n---\nnowait;line 0 b8c6 f1b5\n---\nline 0 g8f6");
    h.ponderAfter("e4");
    h.runUntil([&] { return h.c().state().ponderResultReady; });
    std::int64_t blackUsed = h.c().state().blackTimeUsed;
    h.clock.advance(5000);
    ASSERT_TRUE(h.play("Nf3"));
    EXPECT_EQ(h.movesText(), "e4 e5 Nf3 Nc6") << "played at once";
    EXPECT_EQ(h.c().state().blackTimeUsed, blackUsed) << "the user's 5 s are not the engine's";
    EXPECT_EQ(h.c().state().whiteTimeUsed, 5000);
}

TEST(EngineDrive, APonderMissOrMoveNowWhilePonderingSearchesTheRealPosition)
{
    // The ponder search's line (Nc6) is never played: it answers a position nobody reached.
    const struct {
        const char* name;
        const char* userMove; // nullptr: "Move now!" for the side to move
        const char* moves;
    } rows[] = {
        { "ponder miss", "d4", "e4 e5 d4 Nf6" },
        { "move now while pondering", nullptr, "e4 e5 Nf3" },
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        Engine h(std::string("line 0 e7e5 g1f3\n---\nline 0 b8c6 f1b5\n---\nline 0 ") +
            (row.userMove ? "g8f6" : "g1f3"));
        h.ponderAfter("e4");
        if (row.userMove)
            ASSERT_TRUE(h.play(row.userMove));
        else
            h.c().moveNow();
        h.settle();
        EXPECT_EQ(h.movesText(), row.moves);
    }
}

TEST(EngineDrive, AnalysisRestartsOnEveryStepAtMostOncePerSecond)
{
    Engine h("waitstop;line 9 e2e4");
    h.c().toggleAnalysis();
    h.waitForCall("StartAnalyse 0");
    EXPECT_EQ(h.callsFrom("SetBook"),
        (Calls { "SetBook  0", "SetLevel 1 999999 0 99", "StartAnalyse 0" }));
    ASSERT_TRUE(h.play("d4"));
    h.waitForCall("StartAnalyse 0", 2);
    h.c().takeBackMove(false);
    EXPECT_EQ(h.c().state().plyNumber, 2) << "dropped: within 1000 ms of the last step";
    h.clock.advance(1000);
    h.c().takeBackMove(false);
    EXPECT_EQ(h.c().state().plyNumber, 1);
    h.waitForCall("StartAnalyse 0", 3);
    h.c().toggleAnalysis();
    h.c().toggleAnalysis();
    EXPECT_EQ(h.countCalls("StartAnalyse 0"), 3) << "a second start within 1000 ms starts nothing";
    EXPECT_TRUE(h.c().state().showLevelLine);
    // "Move now!" in analysis plays the analysis move and analyses on.
    h.clock.advance(1000);
    h.c().setAnalysisMode(false);
    h.c().setAnalysisMode(true);
    h.waitForCall("StartAnalyse 0", 4);
    h.c().moveNow();
    EXPECT_EQ(h.c().currentNode()->san(), "e4");
    h.waitForCall("StartAnalyse 0", 5);
    h.c().setAnalysisMode(false);
    h.settle();
    EXPECT_EQ(h.c().currentNode()->san(), "e4") << "analysis results are never played";
}

TEST(EngineDrive, ReplayReachingTheEndLetsTheEngineFinishTheGame)
{
    Engine h("waitstop;line 0 g2g4\n---\nwaitstop;line 0 d8h4");
    h.options.autoAnswer = false;
    h.playAll({ "f3", "e5" });
    h.c().startReplay();
    EXPECT_EQ(h.prompts.shown.back(),
        "Replay: Last position of game, would you like to let the engine finish the game?");
    h.ui.runPending();
    EXPECT_TRUE(h.c().state().analysisMode);
    h.waitForCall("StartAnalyse 0");
    h.elapse(6 * 250 + 500);
    h.ui.runPending();
    EXPECT_EQ(h.c().state().plyNumber, 4) << "the engine played on";
    h.waitForCall("StartAnalyse 0", 2);
    h.elapse(1750);
    h.ui.runPending();
    ASSERT_EQ(h.c().currentNode()->san(), "Qh4#");
    EXPECT_EQ(h.prompts.shown.back(), "Velmorak: Checkmate");
    EXPECT_EQ(h.c().currentNode()->comment(), "Black mates");
    EXPECT_EQ(h.c().game().getTag("Result"), "0-1");
    // The mate ends the replay and the analysis.
    h.elapse(1750);
    EXPECT_FALSE(h.c().state().analysisMode);
    EXPECT_FALSE(h.c().state().autoReplay);
}

// Blitz and tournament levels hang on the game's move number and clocks, and a fixed depth sends
// no time control; the other levels' values are SearchLevelTest's rows, sent the same way.
TEST(EngineDrive, EveryLevelRowReachesThePlugInExactly)
{
    struct Row {
        const char* name;
        void (*set)(LevelRecord&);
        Calls calls;
    };
    const Row rows[] = {
        { "blitz with increment", [](LevelRecord& l) { l.setBlitz(300, 3); },
            { "SetTimeControl 0 0", "SetLevel 0 304 3 99" } },
        { "tournament", [](LevelRecord& l) { l.setTournament(40, 7200, 20, 3600, 0, 1800); },
            { "SetTimeControl 40 7200", "SetLevel 38 7198 0 99" } },
        { "fixed depth", [](LevelRecord& l) { l.setFixed(7, kNoTimeLimit); },
            { "SetLevel 1 999999 0 7" } },
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        Engine h;
        h.options.autoAnswer = false;
        LevelRecord level;
        row.set(level);
        h.c().applyLevel(level);
        ASSERT_TRUE(h.play("e4"));
        ASSERT_TRUE(h.play("e5"));
        h.clock.advance(2500);
        ASSERT_TRUE(h.play("Nf3"));
        h.clock.advance(9500);
        ASSERT_TRUE(h.play("Nc6"));
        h.c().moveNow(); // White, move 3, 2 s used; Black has used 9 s
        h.settle();
        Calls calls = h.callsFrom("SetBook");
        calls.erase(calls.begin());
        calls.pop_back();
        EXPECT_EQ(calls, row.calls);
    }
}

TEST(EngineDrive, HashSizeFollowsFreeMemoryAndChangesAtTheNextSearch)
{
    Engine h;
    h.options.hashTableSize = 1024;
    h.availableMemoryKb = 200;
    h.c().endEngineThread();
    ASSERT_TRUE(h.c().startEngineThread());
    EXPECT_EQ(h.callsFrom("StartEngine"), Calls { "StartEngine 64" });
    EXPECT_EQ(h.options.hashTableSize, 64) << "stays lowered";
    h.availableMemoryKb = 8 << 20;
    h.options.hashTableSize = 128;
    h.options.autoAnswer = false;
    h.c().moveNow();
    h.settle();
    Calls calls = h.callsFrom("ExitEngine");
    ASSERT_GE(calls.size(), 2u);
    EXPECT_EQ(calls[1], "StartEngine 128");
    EXPECT_EQ(calls.back(), "StartAnalyse 0");
}

TEST(EngineDrive, AHashChangeWhilePonderingWaitsForTheRealSearch)
{
    Engine h("line 0 e7e5 g1f3\n---\nline 0 b8c6");
    h.options.pondering = true;
    h.options.hashTableSize = 128;
    h.searchAfter("e4");
    int restarts = h.countCalls("ExitEngine");
    h.options.hashTableSize = 256;
    h.settle();
    h.waitForCall("StartAnalyse 1");
    EXPECT_EQ(h.countCalls("ExitEngine"), restarts);
    h.c().endEngineThread();
    EXPECT_EQ(h.countCalls("ExitEngine"), restarts + 1);
}

TEST(EngineDrive, ARefusedOrUnreadableResultPlaysNothing)
{
    Engine h("line 0 e7e4\n---\nline 0 e7e5 a1a8");
    h.options.pondering = true;
    ASSERT_TRUE(h.play("e4"));
    h.settle();
    EXPECT_EQ(h.movesText(), "e4") << "an illegal first move is not played";
    h.c().moveNow();
    h.settle();
    EXPECT_EQ(h.movesText(), "e4 e5");
    EXPECT_EQ(h.countCalls("StartAnalyse 1"), 0) << "an illegal prediction is not pondered";
}

TEST(EngineDrive, AnEngineMoveWaitsForOpenBoxesAndAnimations)
{
    Engine h("sleep 50;line 0 e7e5");
    ASSERT_TRUE(h.play("e4"));
    // A box whose front end runs the event loop while it is open: the search ends meanwhile.
    h.prompts.whileOpen = [&] { ASSERT_TRUE(h.ui.waitAndRun()); };
    h.prompts.answers = { false };
    h.c().startReplay();
    h.prompts.whileOpen = nullptr;
    EXPECT_EQ(h.movesText(), "e4");
    EXPECT_TRUE(h.c().isEngineMoveDue());
    h.view.animating = true;
    h.elapse(kEngineResultRetryMs);
    EXPECT_EQ(h.movesText(), "e4") << "not under an animation either";
    h.view.animating = false;
    h.elapse(kEngineResultRetryMs);
    EXPECT_EQ(h.movesText(), "e4 e5");
    EXPECT_FALSE(h.c().isEngineMoveDue());
}

TEST(EngineDrive, ExitDuringASearchAndAnAnimationEnds)
{
    Engine h("waitstop;line 0 e7e5");
    h.searchAfter("e4");
    h.view.animating = true;
    h.c().exit();
    EXPECT_FALSE(h.c().engine().isRunning());
    EXPECT_EQ(h.callsFrom("StopAnalyse"), (Calls { "StopAnalyse", "ExitEngine" }));
    h.ui.runPending();
    EXPECT_EQ(h.movesText(), "e4");
}

TEST(EngineDrive, TheProgramsBookIsAskedFirst)
{
    Engine h;
    h.options.guiBook = true;
    h.store.values["Bookfilename"] =
        RegistryValue::string(std::string(VELMORAK_BIN_DIR) + "/vmbook.kbk");
    h.options.autoAnswer = false;
    h.c().moveNow();
    h.settle();
    EXPECT_EQ(h.countCalls("StartAnalyse"), 0) << "a book move needs no search";
    EXPECT_TRUE(h.c().engineHost()->output().snapshot().fromBook) << "nor is it shown as one";
    EXPECT_EQ(h.c().state().plyNumber, 2);
    EXPECT_EQ(h.c().state().bookMissCount, 0);
}

TEST(EngineDrive, AnEngineWhoseClockRunsOutLosesAndStopsSearching)
{
    Engine h("waitstop;line 7 e7e5");
    h.c().applyLevel(parseLevelSpec("blitz:1", h.c().level()).value());
    h.c().setLoseOnTime(true);
    h.searchAfter("e4");
    h.elapse(60000);
    EXPECT_FALSE(h.c().isEngineBusy());
    EXPECT_EQ(h.prompts.shown, Calls { "Velmorak: Black lost on time" });
    EXPECT_EQ(h.c().game().result(), "1-0");
    h.settle();
    EXPECT_EQ(h.movesText(), "e4") << "the stopped search plays nothing";
}

} // namespace
} // namespace velmorak::test
