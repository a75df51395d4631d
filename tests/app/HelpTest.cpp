// The coach, hint and threat through the controller and the test plug-in; training: positions
// from a PGN database judged move by move, the replies, the end of a line, the resume point and
// the shipped tactics file; and the manual.
#include <algorithm>
#include <filesystem>
#include <iterator>
#include <sstream>

#include <gtest/gtest.h>

#include "app/TrainingPositions.h"
#include "rules/CoordinateNotation.h"
#include "support/ControllerHarness.h"
#include "support/TempFolder.h"

namespace velmorak::test {
namespace {

using Calls = std::vector<std::string>;

// The coach on, 1. e4 played and answered by the first search of `engineScript`.
struct Coached : ControllerHarness {
    explicit Coached(const std::string& engineScript, bool coach = true)
        : ControllerHarness(engineScript)
    {
        options.coach = coach;
        EXPECT_TRUE(play("e4"));
        settle();
    }
};

struct CoachRow {
    const char* name;
    bool coachOn;
    int firstScore;
    int firstCount;
    int secondScore;
    int secondCount;
    bool warns;
};

TEST(Coach, WarnsOnlyWhenTheScoreJumpsFromAnOpenPosition)
{
    const CoachRow rows[] = {
        { "a jump of more than 2.3 pawns", true, 50, 20, 400, 20, true },
        { "coach off", false, 50, 20, 400, 20, false },
        { "a jump of 2.3 pawns exactly", true, 50, 20, 280, 20, false },
        { "already 6.42 pawns up", true, 642, 20, 1000, 20, false },
        { "now 6.42 pawns down", true, -1000, 20, -642, 20, false },
        { "a single move to choose from", true, 50, 20, 400, 1, false },
        { "after a book move", true, 50, 1, 400, 20, false },
    };
    for (const CoachRow& row : rows) {
        SCOPED_TRACE(row.name);
        Coached h("current first 1 " + std::to_string(row.firstCount) + ";line " +
                std::to_string(row.firstScore) + " e7e5\n---\ncurrent first 1 " +
                std::to_string(row.secondCount) + ";line " + std::to_string(row.secondScore) +
                " d8h4",
            row.coachOn);
        ASSERT_TRUE(h.play("a3"));
        h.settle();
        if (row.warns) {
            EXPECT_EQ(h.prompts.shown,
                (Calls { "Coach warns: I think after a3 I can play Qh4 now! "
                         "Do you want to take back your move?" }));
            EXPECT_EQ(h.soundOutput.events, Calls { "default" }) << "a beep first";
            EXPECT_EQ(h.movesText(), "e4 e5") << "the user's move is gone, the engine's unplayed";
            EXPECT_EQ(h.c().state().plyNumber, 3);
            EXPECT_EQ(h.c().state().coachLastNode, nullptr);
        } else {
            EXPECT_TRUE(h.prompts.shown.empty());
            EXPECT_EQ(h.movesText(), "e4 e5 a3 Qh4");
        }
    }
}

TEST(Coach, NoMeansTheEngineMovePlaysAndIsRemembered)
{
    Coached h("current first 1 20;line 50 e7e5\n---\ncurrent first 1 20;line 400");
    h.prompts.answers = { false };
    ASSERT_TRUE(h.play("a3"));
    h.settle();
    EXPECT_EQ(h.prompts.shown,
        (Calls { "Coach warns: I don't think a3 was a good move! Do you "
                 "want to take it back?",
            "Velmorak: The engine gave no move." }));
    // Nothing to play from an empty line; the memory stays with the last move played.
    EXPECT_EQ(h.movesText(), "e4 e5 a3");
}

TEST(Coach, AGameReplacedWhileTheWarningIsOpenGetsNothingOfTheOldOne)
{
    Coached h("current first 1 20;line 50 e7e5\n---\ncurrent first 1 20;line 400 d8h4");
    h.prompts.whileOpen = [&] { h.c().setGame(std::make_unique<CPgnGame>()); };
    // "No" would play the engine's move: it was found in the old game.
    h.prompts.answers = { false };
    ASSERT_TRUE(h.play("a3"));
    h.settle();
    EXPECT_EQ(h.prompts.shown,
        (Calls { "Coach warns: I think after a3 I can play Qh4 now! "
                 "Do you want to take back your move?" }));
    EXPECT_EQ(h.movesText(), "");
    EXPECT_EQ(h.c().board().fen(), kStartFen);
}

TEST(Coach, ForgetsANodeThatReplacingTheMainLineDeleted)
{
    Coached h("current first 1 20;line 50 e7e5");
    ASSERT_NE(h.c().state().coachLastNode, nullptr);
    h.options.autoAnswer = false;
    h.c().takeBackMove(false);
    h.options.variationMode = int(VariationMode::ReplaceMainLine);
    ASSERT_TRUE(h.play("c5"));
    EXPECT_EQ(h.c().state().coachLastNode, nullptr);
}

TEST(Hint, ASearchWhenTheEngineIsIdleNeverPlayed)
{
    ControllerHarness h("line 0 g1f3\n---\nnodes 5");
    EXPECT_EQ(writeCoordinates(h.c().showHint()), "g1f3");
    EXPECT_EQ(h.view.events.back(), "hint g1f3 Nf3");
    Calls calls = h.callsFrom("SetPosition");
    EXPECT_EQ(
        Calls(calls.end() - 2, calls.end()), (Calls { "SetLevel 1 5 0 99", "StartAnalyse 0" }));
    h.ui.runPending();
    EXPECT_EQ(h.movesText(), "");
    EXPECT_FALSE(h.c().state().hintSearchActive);
    EXPECT_EQ(h.c().showHint(), NoMove) << "a search without a line";
    EXPECT_EQ(h.prompts.shown, Calls { "Velmorak: Sorry, no hint found." });
}

TEST(Hint, TheInterfaceRunsOnWhileTheSearchLastsAndTheGameWaits)
{
    // The engine answers only when it is stopped: the wait ends at its limit.
    ControllerHarness h("waitstop;line 0 g1f3");
    std::int64_t started = h.clock.ticks();
    int ranUnderABox = 0;
    h.ui.post([&] {
        ranUnderABox += h.c().state().modalMessageOpen > 0 && h.c().state().hintSearchActive;
    });
    EXPECT_EQ(writeCoordinates(h.c().showHint()), "g1f3");
    EXPECT_EQ(ranUnderABox, 1) << "a task posted meanwhile ran, with the game's steps held back";
    EXPECT_GE(h.clock.ticks() - started, kHelpSearchWait.count()) << "timers ran meanwhile";
    EXPECT_EQ(h.c().state().modalMessageOpen, 0);
}

TEST(Hint, WithoutASearchWhilePonderingOrAnalysing)
{
    ControllerHarness h("line 0 e7e5 g1f3\n---\nline 0 b8c6\n---\nline 0 d2d4;waitstop");
    h.ponderAfter("e4");
    EXPECT_EQ(writeCoordinates(h.c().showHint()), "g1f3") << "the predicted move";
    EXPECT_EQ(h.countCalls("StartAnalyse"), 2);
    h.c().toggleAnalysis();
    h.waitForCall("StartAnalyse 0", 2);
    h.runUntil([&] { return !h.host->output().snapshot().rawLine.empty(); });
    EXPECT_EQ(writeCoordinates(h.c().showHint()), "d2d4") << "the analysis line's first move";
    EXPECT_EQ(h.movesText(), "e4 e5");
}

TEST(Hint, NoneWhileTheEngineThinks)
{
    ControllerHarness h("waitstop;line 0 e7e5");
    h.searchAfter("e4");
    EXPECT_EQ(h.c().showHint(), NoMove);
    EXPECT_EQ(h.c().showThreat(), NoMove);
    EXPECT_EQ(h.prompts.shown,
        (Calls { "Velmorak: Hint not possible while engine is thinking",
            "Velmorak: Show threat not possible while engine is thinking" }));
}

TEST(Threat, TheKingCaptureWithoutSearchElseASearchAfterAPass)
{
    ControllerHarness h("line 0 e7e5\n---\nnodes 1");
    EXPECT_EQ(writeCoordinates(h.c().showThreat()), "e7e5");
    EXPECT_EQ(h.callsFrom("SetPosition"),
        (Calls { "SetPosition rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR b KQkq - 0 1",
            "SetBook  0", "SetLevel 1 5 0 99", "StartAnalyse 0" }));
    EXPECT_EQ(h.c().showThreat(), NoMove);
    EXPECT_EQ(h.prompts.shown, Calls { "Velmorak: Sorry, no threat found." });

    auto game = std::make_unique<CPgnGame>();
    game->setTag("FEN", "4k3/8/8/8/8/8/4r3/4K3 w - - 0 1");
    h.c().setGame(std::move(game));
    int calls = int(h.engineCalls().size());
    EXPECT_EQ(writeCoordinates(h.c().showThreat()), "e2e1") << "in check: the king's capture";
    EXPECT_EQ(int(h.engineCalls().size()), calls);
}

TEST(Manual, EveryPictureIsCopiedAndInstalledBesideItAndTheTextStaysLong)
{
    const std::string manual = TempFolder::read(VELMORAK_BIN_DIR "/Velmorak.htm");
    // The generated install script names every file `cmake --install` copies.
    const std::string install = TempFolder::read(VELMORAK_BIN_DIR "/../cmake_install.cmake");
    int pictures = 0;
    for (auto at = manual.find("<img "); at != std::string::npos;
         at = manual.find("<img ", at + 1)) {
        ++pictures;
        const std::string tag = manual.substr(at, manual.find('>', at) - at);
        const auto src = tag.find("src=\"");
        const auto alt = tag.find("\" alt=\"");
        ASSERT_TRUE(src != std::string::npos && alt != std::string::npos && tag.size() > alt + 7)
            << "each <img> names its file, then says what it shows: " << tag;
        const std::string file = tag.substr(src + 5, alt - src - 5);
        EXPECT_TRUE(std::filesystem::is_regular_file(VELMORAK_BIN_DIR "/" + file)) << file;
        EXPECT_NE(install.find("/data/manual/" + file + '"'), std::string::npos) << file;
    }
    EXPECT_GE(pictures, 8);

    // The words of the text: no style sheet, no tags.
    std::string text = manual.substr(0, manual.find("<style")) +
        manual.substr(std::min(manual.size(), manual.find("</style>")));
    bool inTag = false;
    for (char& c : text) {
        if (c == '<' || inTag) {
            inTag = c != '>';
            c = ' ';
        }
    }
    std::istringstream words(text);
    EXPECT_GE(std::distance(
                  std::istream_iterator<std::string>(words), std::istream_iterator<std::string>()),
        3000);
}

// White with a reply in the line and two variations; Black with one move; White again.
constexpr const char* kPositions =
    "[Event \"A\"][SetUp \"1\"][FEN \"4k3/8/8/8/8/8/4P3/4K3 w - - 0 1\"]\n"
    "1. e4 (1. e3! Kd8 2. e4) (1. Kd2?! Kd8) 1... Kd7 2. e5 *\n\n"
    "[Event \"B\"][SetUp \"1\"][FEN \"4k3/4p3/8/8/8/8/8/4K3 b - - 0 1\"]\n1... e5 *\n\n"
    "[Event \"C\"][SetUp \"1\"][FEN \"4k3/8/8/8/8/8/3P4/4K3 w - - 0 1\"]\n1. d4 *\n";

struct Training : ControllerHarness {
    Training()
        : ControllerHarness(std::nullopt)
    {
        TempFolder::write(path, kPositions);
    }
    std::string event() { return c().game().getTag("Event"); }
    // The 100 ms of the training timers, and what they post.
    void tick() { elapse(100); }
    std::string lastShown() { return prompts.shown.back(); }
    int position() { return int(store.values.at("LastPositionOfTraining").dwordValue()); }
    std::string path = folder.file("tactics.pgn");
};

TEST(Training, RightMovesGetTheReplyAndSolvingLoadsTheNextPosition)
{
    Training h;
    ASSERT_TRUE(h.c().startTraining(h.path, 0));
    EXPECT_TRUE(h.view.checked[int(ControllerCommand::Training)] && !h.view.flipped);
    ASSERT_TRUE(h.play("e4"));
    h.view.animating = true;
    h.tick();
    EXPECT_EQ(h.c().currentNode()->san(), "e4") << "no reply under a running animation";
    h.view.animating = false;
    h.tick();
    EXPECT_EQ(h.c().currentNode()->san(), "Kd7") << "the timer came again";
    EXPECT_EQ(h.view.events.back(), "draw* e8d7") << "the reply is highlighted";
    h.clock.advance(5000);
    ASSERT_TRUE(h.play("e5"));
    EXPECT_EQ(h.c().state().whiteTimeUsed, 5000) << "thinking counted from the reply";
    h.tick();
    EXPECT_EQ(h.lastShown(), "Training: Solution found! Continue with next position?");
    EXPECT_EQ(h.event(), "B");
    EXPECT_TRUE(h.view.flipped) << "Black to move sits at the bottom";
    EXPECT_EQ(h.c().state().moveStartTick, h.clock.ticks());
}

TEST(Training, WrongMovesOfferHelpAndSoundVariationsAreAccepted)
{
    Training h;
    ASSERT_TRUE(h.c().startTraining(h.path, 0));
    h.prompts.answers = { false, true };
    EXPECT_FALSE(h.play("Kf2")) << "outside the tree";
    EXPECT_EQ(h.view.events.back(), "redraw") << "no help wanted";
    EXPECT_FALSE(h.play("Kd2")) << "a variation marked ?!";
    EXPECT_EQ(h.lastShown(), "Training: Sorry wrong move. Do you need help?");
    EXPECT_EQ(h.view.events.back(), "hint e2e4 e4") << "the solution, in this position";
    ASSERT_TRUE(h.play("e3")) << "a variation marked !, from the position before";
    h.tick();
    EXPECT_EQ(h.c().currentNode()->san(), "Kd8");
}

TEST(Training, NoAfterASolutionResumesWithTheFollowingPosition)
{
    Training h;
    ASSERT_TRUE(h.c().startTraining(h.path, 1));
    ASSERT_TRUE(h.play("e5"));
    h.prompts.answers = { false };
    h.tick();
    EXPECT_FALSE(h.view.checked[int(ControllerCommand::Training)]);
    EXPECT_EQ(h.position(), 2);
    h.c().toggleTraining();
    EXPECT_EQ(h.lastShown(), "Training: Do you want to continue your last training session?");
    EXPECT_EQ(h.event(), "C");
    // Stopping writes where it stands; the position after the last one is the first.
    h.c().toggleTraining();
    EXPECT_EQ(h.position(), 2);
    h.settings.writeInt(kLastTrainingPositionSetting, 3);
    h.c().toggleTraining();
    EXPECT_EQ(h.event(), "A");

    h.c().toggleTraining();
    const int stored = h.position();
    const std::string typo = h.folder.file("tatcics.pgn");
    EXPECT_FALSE(h.c().startTraining(typo, 0));
    EXPECT_EQ(h.lastShown(), "Training: Couldn't open training database " + typo);
    EXPECT_EQ(h.position(), stored) << "a file the user named keeps the resume point";
    h.settings.writeString(kLastTrainingDatabaseSetting, h.folder.file("missing.pgn"));
    h.c().toggleTraining();
    EXPECT_EQ(h.lastShown(), "Training: Couldn't open last training database");
    EXPECT_EQ(h.position(), -1) << "the resume point is cleared";
}

TEST(Training, APositionNoGameCanStartFromIsRefused)
{
    Training h;
    TempFolder::write(h.path, "[SetUp \"1\"][FEN \"3k4/8/8/8/8/8/8/3RK3 w - - 0 1\"]\n1. Rd2 *\n");
    EXPECT_FALSE(h.c().startTraining(h.path, 0));
    EXPECT_EQ(h.lastShown(),
        "Training: the set-up position cannot start a game: the side not to move is in check");
    EXPECT_FALSE(h.view.checked[int(ControllerCommand::Training)]);
    EXPECT_TRUE(h.c().game().getTag("FEN").empty()) << "the game stays out";
}

// The default file reaches the documents folder on first use, and every position of it is
// solved through the controller by its line: each user move legal and accepted, each reply
// played from the line, and "Solution found!" reached.
TEST(Training, EveryShippedPositionIsSolvedByItsLine)
{
    Training h;
    h.c().toggleTraining();
    ASSERT_EQ(h.lastShown(), "Training: Loading training-positions from vmtactics.pgn!");
    EXPECT_EQ(TempFolder::read(h.folder.file(kTrainingFileName)),
        TempFolder::read(VELMORAK_SOURCE_DIR "/data/vmtactics.pgn"));
    CDatabase* database = &h.c().databases().database();
    ASSERT_TRUE(database && database->isOpen());
    const int count = int(database->getEntries().size());
    EXPECT_GE(count, 100);
    for (int n = 0; n < count; ++n) {
        ASSERT_EQ(database->current(), n);
        SCOPED_TRACE(h.c().game().getTag("PuzzleId"));
        // The line ends with the user's move: no position is left waiting for a reply.
        while (database->current() == n) {
            ASSERT_GT(h.c().currentNode()->childCount(), 0);
            Move solution = h.c().currentNode()->child(0)->move();
            ASSERT_TRUE(Board(h.c().board()).isMoveLegal(solution));
            ASSERT_TRUE(h.c().userMove(solution, true));
            h.prompts.answers = { true };
            h.tick();
        }
    }
}

} // namespace
} // namespace velmorak::test
