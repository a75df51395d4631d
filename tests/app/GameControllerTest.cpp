// The game controller without an engine: moves from both sides, navigation, the end of the
// game, the variation modes, replay timing, autosave and guards.
#include <algorithm>
#include <filesystem>

#include <gtest/gtest.h>

#include "app/AutosaveRing.h"
#include "present/StatusPanel.h"
#include "record/FenGame.h"
#include "support/ControllerHarness.h"

namespace velmorak::test {
namespace {

struct TwoPlayers : ControllerHarness {
    TwoPlayers()
        : ControllerHarness(std::nullopt)
    {
        options.autoAnswer = false;
    }
};

TEST(GameController, MovesNavigationAndUsedTimes)
{
    TwoPlayers h;
    h.clock.setTicks(5'000'000'000); // past 32 bits: ticks must not wrap
    h.playAll({ "e4" });
    h.clock.advance(3000);
    h.playAll({ "e5" });
    EXPECT_EQ(h.movesText(), "e4 e5");
    EXPECT_EQ(h.c().state().plyNumber, 3);
    EXPECT_EQ(h.c().state().blackTimeUsed, 3000);
    EXPECT_FALSE(h.play("e4")) << "illegal move refused";
    EXPECT_EQ(h.view.events.back(), "redraw");

    std::size_t fens = h.view.fens.size();
    h.c().takeBackMove(true);
    EXPECT_EQ(h.view.events.back(), "back e7e5");
    EXPECT_EQ(h.c().state().blackTimeUsed, 0);
    EXPECT_TRUE(h.view.enabled[int(ControllerCommand::NextMove)]);
    h.c().backToStart();
    EXPECT_EQ(h.c().board().fen(), kStartFen);
    EXPECT_FALSE(h.view.enabled[int(ControllerCommand::TakeBack)]);
    h.c().forwardToEnd();
    EXPECT_EQ(h.c().state().plyNumber, 3);
    EXPECT_EQ(h.c().state().blackTimeUsed, 3000) << "times come back with the moves";
    EXPECT_EQ(h.view.fens.size(), fens + 3) << "one position change per operation";
    // A stored time larger than what is left never makes a total negative.
    h.c().currentNode()->setTime(999999);
    h.c().takeBackMove(false);
    EXPECT_EQ(h.c().state().blackTimeUsed, 0);
}

TEST(GameController, BranchPointsStopAfterTwentyPliesOrAtABranch)
{
    TwoPlayers h;
    for (int i = 0; i < 6; ++i)
        h.playAll({ "Nf3", "Nf6", "Ng1", "Ng8" });
    // Where the steps stop is the tree rules' test (FastStepsStopAtBranches).
    h.c().backToBranchPoint();
    EXPECT_EQ(h.c().state().plyNumber, 25 - 20);
    h.c().backToStart();
    h.options.variationMode = int(VariationMode::AddLine);
    h.playAll({ "e4" });
    h.c().backToStart();
    h.c().forwardToBranchPoint();
    EXPECT_EQ(h.c().state().plyNumber, 21);
    h.c().backToStart();
    h.prompts.lineAnswers = { 1 };
    h.c().forwardMove();
    EXPECT_EQ(h.prompts.shown.back(), "Select line");
    EXPECT_EQ(h.c().currentNode()->san(), "e4");
}

TEST(GameController, AQuestionAnsweredAfterTheGameWasReplacedLeavesTheNewGameAlone)
{
    for (const bool selectLine : { true, false }) {
        SCOPED_TRACE(selectLine ? "Select line" : "Add line");
        TwoPlayers h;
        h.options.variationMode = int(VariationMode::AddLine);
        h.playAll({ "e4" });
        h.c().takeBackMove(false);
        h.playAll({ "d4" });
        h.c().backToStart();
        h.options.variationMode = int(VariationMode::Ask);
        bool refused = false;
        // A front end's box runs an event loop: anything may come in while it is open.
        h.prompts.whileOpen = [&] {
            refused = !h.c().prepareGameChange();
            h.c().setGame(std::make_unique<CPgnGame>());
        };
        if (selectLine)
            h.c().forwardMove();
        else
            EXPECT_FALSE(h.play("c4"));
        EXPECT_TRUE(refused) << "no other game is loaded while a box is open";
        EXPECT_EQ(h.c().currentNode(), h.c().game().root());
        EXPECT_EQ(h.c().game().root()->childCount(), 0);
        EXPECT_EQ(h.c().board().fen(), kStartFen);
    }
}

TEST(GameController, TheNewLineDialogsDefaultIsStoredWhateverItAnswers)
{
    TwoPlayers h;
    h.playAll({ "e4", "e5" });
    h.c().takeBackMove(false);
    h.prompts.newLineAnswers = { NewLineChoice::Cancel };
    h.prompts.inNewLine = [](NewLineQuestion& question) {
        question.setDefaultMode(VariationMode::AddLine);
    };
    EXPECT_FALSE(h.play("c5"));
    EXPECT_EQ(h.options.variationMode, int(VariationMode::AddLine));
    int stored = -1;
    h.settings.readInt(kVariationModeOption, stored);
    EXPECT_EQ(stored, int(VariationMode::AddLine));
    h.prompts.inNewLine = {};
    EXPECT_TRUE(h.play("d5")) << "the new default adds the line without asking";
    EXPECT_EQ(h.prompts.shown, std::vector<std::string> { "Add line: 1..c5" });
    EXPECT_EQ(h.c().game().root()->child(0)->childCount(), 2);
}

struct EndRow {
    const char* name;
    const char* fen;
    std::vector<const char*> moves;
    const char* shown;
    const char* comment;
    const char* result;
};

TEST(GameController, EndOfGameMessagesCommentsAndResult)
{
    const EndRow rows[] = {
        { "mate", "", { "f3", "e5", "g4", "Qh4#" }, "Velmorak: Checkmate", "Black mates", "0-1" },
        { "stalemate", "7k/4Q3/6K1/8/8/8/8/8 w - - 0 1", { "Qf7" }, "Velmorak: Stalemate, draw",
            "Stalemate", "1/2-1/2" },
        { "repetition", "", { "Nf3", "Nf6", "Ng1", "Ng8", "Nf3", "Nf6", "Ng1", "Ng8" },
            "Velmorak: Draw by threefold repetition", "Draw by threefold repetition", "1/2-1/2" },
        { "material", "8/8/8/4k3/8/8/3pK3/8 w - - 0 1", { "Kxd2" },
            "Velmorak: Draw by insufficient mating material", "Draw by insufficient material",
            "1/2-1/2" },
    };
    for (const EndRow& row : rows) {
        SCOPED_TRACE(row.name);
        TwoPlayers h;
        if (*row.fen)
            h.c().setGame(gameFromFen(row.fen));
        for (const char* move : row.moves)
            ASSERT_TRUE(h.play(move));
        EXPECT_EQ(h.prompts.shown, std::vector<std::string> { row.shown });
        EXPECT_EQ(h.c().currentNode()->comment(), row.comment);
        EXPECT_EQ(h.c().game().result(), row.result);
        // Entering the last move again: the comment is not added twice.
        h.c().takeBackMove(false);
        ASSERT_TRUE(h.play(row.moves.back()));
        EXPECT_EQ(h.c().currentNode()->comment(), row.comment);
    }
    // A mate in a variation: message and comment, but the main line's result stays.
    TwoPlayers h;
    h.options.variationMode = int(VariationMode::AddLine);
    h.playAll({ "f3", "e5", "g4", "d6" });
    h.c().takeBackMove(false);
    h.playAll({ "Qh4#" });
    EXPECT_EQ(h.c().currentNode()->comment(), "Black mates");
    EXPECT_EQ(h.c().game().result(), "*");
    // With a DGT board or a server connected no box is shown.
    TwoPlayers quiet;
    quiet.c().setDgtConnected(true);
    quiet.playAll({ "f3", "e5", "g4", "Qh4#" });
    EXPECT_TRUE(quiet.prompts.shown.empty());
}

TEST(GameController, AutosaveAfterEachMoveAndRestore)
{
    TwoPlayers h;
    h.playAll({ "e4", "e5", "Nf3" });
    h.c().waitForAutosave();
    int slot = -1;
    ASSERT_TRUE(RegistrySettings(h.autosaveStore).readInt("CurrentAutosaveGame", slot));
    EXPECT_LE(slot, 2) << "saves still waiting are replaced by newer ones";
    h.c().newGame(false);
    EXPECT_EQ(h.c().board().fen(), kStartFen);
    ASSERT_TRUE(h.c().restoreAutosave());
    EXPECT_EQ(h.movesText(), "e4 e5 Nf3");
    EXPECT_EQ(h.c().state().plyNumber, 4) << "opened at the end of the main line";
    EXPECT_EQ(h.c().game().white(), "Owner") << "the first mover got the owner's name";
    EXPECT_EQ(h.c().game().black(), "Velmorak");
}

TEST(GameController, AFailingAutosaveIsSaidOnceUntilASaveWorksAgain)
{
    TwoPlayers h;
    const std::string ring = h.folder.file(std::string(kAutosaveFileName));
    auto saidSoFar = [&] {
        h.c().waitForAutosave();
        h.ui.runPending();
        return std::count_if(
            h.prompts.shown.begin(), h.prompts.shown.end(), [](const std::string& text) {
                return text.find("Games are not being saved: ") != std::string::npos;
            });
    };
    // The ring's name taken by a folder: no save can work.
    ASSERT_TRUE(std::filesystem::create_directory(ring));
    h.playAll({ "e4" });
    EXPECT_EQ(saidSoFar(), 1);
    h.playAll({ "e5" });
    EXPECT_EQ(saidSoFar(), 1) << "said once";
    EXPECT_FALSE(h.c().lastAutosave().ok());
    std::filesystem::remove(ring);
    h.playAll({ "Nf3" });
    EXPECT_EQ(saidSoFar(), 1);
    EXPECT_TRUE(h.c().lastAutosave().ok());
    std::filesystem::remove(ring);
    ASSERT_TRUE(std::filesystem::create_directory(ring));
    h.playAll({ "Nc6" });
    EXPECT_EQ(saidSoFar(), 2) << "failing again after a save that worked";
}

TEST(GameController, NewGameAsksOnlyForAChangedGame)
{
    TwoPlayers h;
    h.c().newGame(true);
    EXPECT_TRUE(h.prompts.shown.empty());
    h.playAll({ "e4" });
    h.prompts.answers = { false };
    h.c().newGame(true);
    EXPECT_EQ(h.prompts.shown.back(), "Velmorak: Do you really want a new game?");
    EXPECT_EQ(h.movesText(), "e4") << "Cancel keeps everything";
    h.c().newGame(true);
    EXPECT_EQ(h.movesText(), "");
}

TEST(GameController, ReplayStepsAtTheReplaySpeed)
{
    TwoPlayers h;
    h.options.replaySeconds = 6;
    h.playAll({ "e4", "e5", "Nf3" });
    h.c().backToStart();
    h.c().startReplay();
    EXPECT_TRUE(h.view.checked[int(ControllerCommand::Replay)]);
    // The first step after 500 ms, then (6 + 1) x 250 = 1750 ms per step.
    const struct {
        const char* name;
        int ms;
        bool animating;
        int ply;
    } steps[] = {
        { "just before the first step", 499, false, 1 },
        { "the first step", 1, false, 2 },
        { "a step waits for the animation", 1750, true, 2 },
        { "the animation over", 1750, false, 3 },
        { "just before the next step", 1749, false, 3 },
        { "the next step", 1, false, 4 },
    };
    for (const auto& step : steps) {
        SCOPED_TRACE(step.name);
        h.view.animating = step.animating;
        h.elapse(step.ms);
        EXPECT_EQ(h.c().state().plyNumber, step.ply);
    }
    h.elapse(1750);
    EXPECT_FALSE(h.c().state().autoReplay) << "stops at the end of the line";
    EXPECT_FALSE(h.view.checked[int(ControllerCommand::Replay)]);
}

TEST(GameController, GuardsRefuseWithTheirMessages)
{
    TwoPlayers h;
    h.c().SetServerGameMode(true, 7);
    h.c().newGame(true);
    h.c().moveNow();
    h.c().forwardMove();
    h.c().toggleAnalysis();
    h.c().startReplay();
    h.c().backToBranchPoint();
    h.c().warnLevelChange();
    EXPECT_FALSE(h.c().prepareGameChange()) << "no other game during a server game";
    EXPECT_EQ(h.prompts.shown,
        (std::vector<std::string> { "Velmorak: Please finish the currently running game first!",
            "Velmorak: Go! not possible while playing on server",
            "Velmorak: Next move not possible while observing or playing on server.",
            "Velmorak: No analysis allowed while playing on server.",
            "Velmorak: Please finish running server-game first",
            "Velmorak: Takeback not possible while observing.",
            "Velmorak: Changing the level while on server might corrupt the clock.",
            "Velmorak: Please finish running server-game first" }));
    h.c().SetServerGameMode(false, -1);
    h.c().SetObserveMode(true, 12);
    h.prompts.shown.clear();
    h.c().moveNow();
    h.c().takeBackMove(true);
    EXPECT_EQ(h.prompts.shown,
        (std::vector<std::string> { "Velmorak: Go! not possible while observing a game",
            "Velmorak: Takeback not possible while observing." }));
    ASSERT_TRUE(h.play("e4"));
    EXPECT_FALSE(h.c().state().observeMode) << "a move by the user ends observation";
    h.c().SetObserveMode(true, 12);
    EXPECT_TRUE(h.c().prepareGameChange());
    EXPECT_FALSE(h.c().state().observeMode) << "loading a game ends observation";
}

TEST(GameController, MoveListTapGoesBackAlongThePathOnly)
{
    TwoPlayers h;
    h.playAll({ "e4", "e5", "Nf3" });
    CGameNode* e4 = h.c().game().root()->child(0);
    CGameNode* nf3 = h.c().currentNode();
    h.c().takeBackToNode(e4);
    EXPECT_EQ(h.c().currentNode(), e4);
    h.c().takeBackToNode(nf3); // after the current node: no take-back
    EXPECT_EQ(h.c().currentNode(), e4);
    h.c().SetObserveMode(true, 12);
    h.c().takeBackToNode(h.c().game().root());
    EXPECT_EQ(h.c().currentNode(), e4) << "refused as Back to start is";
}

TEST(GameController, ASetUpGameOpensAtItsStartAndKeepsItsMoveNumbers)
{
    TwoPlayers h;
    h.c().setGame(gameFromFen("4k3/8/8/8/8/8/4P3/4K3 b - - 0 30"));
    EXPECT_EQ(h.c().state().plyNumber, 2) << "plies count from this game's start";
    h.playAll({ "Kd7" });
    EXPECT_EQ(moveLine(statusInput(h.c())), "Last move 30... Kd7");
    h.clock.advance(61000);
    h.playAll({ "e4" });
    EXPECT_EQ(moveLine(statusInput(h.c())), "Last move 31. e4");
    EXPECT_EQ(h.c().state().plyNumber, 4);
    EXPECT_EQ(h.c().clockText(false, 0), "03:59 05:00") << "blitz 5 min";
}

TEST(GameController, ClocksStandOnceTheGameIsOverAndRunAgainWhenPlayGoesOn)
{
    TwoPlayers h;
    h.playAll({ "f3", "e5", "g4" });
    h.clock.advance(2000);
    h.playAll({ "Qh4#" });
    h.clock.advance(1000);
    const std::string mated = h.c().clockText(false, 0);
    EXPECT_EQ(mated, "05:00 04:58");
    h.clock.advance(90000);
    EXPECT_EQ(h.c().clockText(false, 0), mated) << "checkmate";
    h.c().takeBackMove(false);
    h.playAll({ "Qe7" });
    h.clock.advance(3000);
    EXPECT_EQ(h.c().clockText(false, 0), "04:57 05:00") << "taken back and played on";
}

// Each row plays its moves at once under its level, lets `ms` pass and tells the Result, the
// Termination and the messages; the clocks must stand after a loss.
TEST(GameController, LoseOnTimeEndsTheGameOfTheSideWhoseClockRanOut)
{
    struct Row {
        const char* name;
        bool on;
        const char* level;
        std::initializer_list<const char*> moves;
        const char* result;
        std::int64_t ms;
        const char* outcome;
    } rows[] = {
        { "off: the clocks only stay at zero", false, "blitz:5", { "e4" }, "*", 400000, "* |" },
        { "black's clock runs out", true, "blitz:5", { "e4" }, "*", 300000,
            "1-0 time forfeit | Velmorak: Black lost on time" },
        { "a second before", true, "blitz:5", { "e4" }, "*", 299000, "* |" },
        { "white's, with increment", true, "blitz:1+2", { "e4", "e5" }, "*", 62000,
            "0-1 time forfeit | Velmorak: White lost on time" },
        { "a tournament period", true, "tournament:40/1", { "e4" }, "*", 60000,
            "1-0 time forfeit | Velmorak: Black lost on time" },
        { "a fixed level has no time to lose", true, "depth:4", { "e4" }, "*", 400000, "* |" },
        { "a decided game", true, "blitz:1", { "e4" }, "1/2-1/2", 400000, "1/2-1/2 |" },
    };
    for (const Row& row : rows) {
        TwoPlayers h;
        h.c().applyLevel(parseLevelSpec(row.level, h.c().level()).value());
        h.c().setLoseOnTime(row.on);
        h.playAll(row.moves);
        h.c().game().setResult(row.result);
        h.elapse(row.ms);
        std::string outcome = h.c().game().result();
        if (std::string termination = h.c().game().getTag("Termination"); !termination.empty())
            outcome += " " + termination;
        outcome += " |";
        for (const std::string& shown : h.prompts.shown)
            outcome += " " + shown;
        EXPECT_EQ(outcome, row.outcome) << row.name;
        if (h.c().game().getTag("Termination").empty())
            continue;
        const std::string clocks = h.c().clockText(false, 0);
        h.elapse(5000);
        EXPECT_EQ(h.c().clockText(false, 0), clocks) << row.name << ": the clocks stand";
        EXPECT_NE(h.c().currentNode()->comment().find("lost on time"), std::string::npos)
            << row.name;
    }
}

} // namespace
} // namespace velmorak::test
