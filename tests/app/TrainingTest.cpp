// Training: positions from a PGN database judged move by move, the replies, the end of a
// line, the resume point, and the shipped tactics file.
#include <gtest/gtest.h>

#include "app/TrainingPositions.h"
#include "support/ControllerHarness.h"

namespace velmorak::test {
namespace {

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
