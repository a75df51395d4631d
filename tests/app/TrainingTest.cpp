// Training: positions from a PGN database judged move by move, the replies, the end of a
// line, the resume point, and the shipped tactics file.
#include <gtest/gtest.h>

#include "app/TrainingPositions.h"
#include "record/CPgnParser.h"
#include "support/ControllerHarness.h"

namespace velmorak::test {
namespace {

// Three positions: White with a reply in the line and two variations, Black with a line of
// one move, White again.
constexpr const char* kPositions = R"([Event "A"]
[SetUp "1"]
[FEN "4k3/8/8/8/8/8/4P3/4K3 w - - 0 1"]

1. e4 (1. e3! Kd8 2. e4) (1. Kd2?! Kd8) 1... Kd7 2. e5 *

[Event "B"]
[SetUp "1"]
[FEN "4k3/4p3/8/8/8/8/8/4K3 b - - 0 1"]

1... e5 *

[Event "C"]
[SetUp "1"]
[FEN "4k3/8/8/8/8/8/3P4/4K3 w - - 0 1"]

1. d4 *
)";

struct Training : ControllerHarness {
    Training()
        : ControllerHarness(std::nullopt)
    {
        TempFolder::write(path, kPositions);
    }
    GameController& c() { return *controller; }
    std::string event() { return c().game().getTag("Event"); }
    // The 100 ms of the training timers, and what they post.
    void tick()
    {
        clock.advance(100);
        ui.runPending();
    }
    std::string lastShown() { return prompts.shown.empty() ? "" : prompts.shown.back(); }
    std::string setting(std::string_view name)
    {
        std::string text;
        settings.readString(name, text);
        return text;
    }
    int position()
    {
        int index = -2;
        settings.readInt(kLastTrainingPositionSetting, index);
        return index;
    }
    std::string path = folder.file("tactics.pgn");
};

TEST(Training, RightMovesGetTheReplyAndSolvingLoadsTheNextPosition)
{
    Training h;
    ASSERT_TRUE(h.c().startTraining(h.path, 0));
    EXPECT_TRUE(h.c().state().trainingMode);
    EXPECT_TRUE(h.view.checked[int(ControllerCommand::Training)]);
    EXPECT_FALSE(h.view.flipped);
    ASSERT_TRUE(h.play("e4"));
    h.view.animating = true;
    h.tick();
    EXPECT_EQ(h.c().currentNode()->san(), "e4") << "no reply under a running animation";
    h.view.animating = false;
    h.tick();
    EXPECT_EQ(h.c().currentNode()->san(), "Kd7") << "the timer came again";
    h.clock.advance(5000);
    ASSERT_TRUE(h.play("e5"));
    EXPECT_EQ(h.c().state().whiteTimeUsed, 5000) << "thinking counted from the reply";
    h.tick();
    EXPECT_EQ(h.lastShown(), "Training: Solution found! Continue with next position?");
    EXPECT_EQ(h.event(), "B");
    EXPECT_TRUE(h.view.flipped) << "Black to move sits at the bottom";
    EXPECT_EQ(h.c().state().moveStartTick, h.clock.ticks());
    EXPECT_TRUE(h.c().state().trainingMode);
}

struct MoveRow {
    const char* name;
    const char* move;
    bool accepted;
    bool wantsHelp;
    const char* reply; // the position after the reply timer
};

TEST(Training, OnlyTheLineAndItsSoundVariationsAreAccepted)
{
    const MoveRow rows[] = {
        { "main line", "e4", true, false, "Kd7" },
        { "variation marked !", "e3", true, false, "Kd8" },
        { "variation marked ?!", "Kd2", false, true, "" },
        { "move outside the tree", "Kf2", false, false, "" },
    };
    for (const MoveRow& row : rows) {
        SCOPED_TRACE(row.name);
        Training h;
        ASSERT_TRUE(h.c().startTraining(h.path, 0));
        h.ui.runPending();
        h.prompts.answers = { row.wantsHelp };
        EXPECT_EQ(h.play(row.move), row.accepted);
        if (!row.accepted) {
            EXPECT_EQ(h.lastShown(), "Training: Sorry wrong move. Do you need help?");
            EXPECT_EQ(h.c().currentNode(), h.c().game().root());
            EXPECT_EQ(h.view.events.back(), "redraw");
            EXPECT_EQ(h.ui.runPending() > 0, row.wantsHelp) << "the hint is posted on Yes only";
            continue;
        }
        h.tick();
        EXPECT_EQ(h.c().currentNode()->san(), row.reply);
        EXPECT_TRUE(h.prompts.shown.empty());
    }
}

TEST(Training, NoAfterASolutionResumesWithTheFollowingPosition)
{
    Training h;
    ASSERT_TRUE(h.c().startTraining(h.path, 1));
    ASSERT_EQ(h.event(), "B");
    ASSERT_TRUE(h.play("e5"));
    h.prompts.answers = { false };
    h.tick();
    EXPECT_FALSE(h.c().state().trainingMode);
    EXPECT_FALSE(h.view.checked[int(ControllerCommand::Training)]);
    EXPECT_EQ(h.setting(kLastTrainingDatabaseSetting), h.path);
    EXPECT_EQ(h.position(), 2);

    h.prompts.answers = { true };
    h.c().toggleTraining();
    EXPECT_EQ(h.lastShown(), "Training: Do you want to continue your last training session?");
    EXPECT_EQ(h.event(), "C");
    // Stopping writes where it stands; the position after the last one is the first.
    h.c().toggleTraining();
    EXPECT_EQ(h.position(), 2);
    h.settings.writeInt(kLastTrainingPositionSetting, 3);
    h.c().toggleTraining();
    EXPECT_EQ(h.event(), "A");
}

TEST(Training, AnUnreadableFileClearsTheResumePoint)
{
    Training h;
    h.settings.writeString(kLastTrainingDatabaseSetting, h.folder.file("missing.pgn"));
    h.settings.writeInt(kLastTrainingPositionSetting, 4);
    h.c().toggleTraining();
    EXPECT_EQ(h.lastShown(), "Training: Couldn't open last training database");
    EXPECT_FALSE(h.c().state().trainingMode);
    EXPECT_EQ(h.setting(kLastTrainingDatabaseSetting), "");
    EXPECT_EQ(h.position(), -1);
}

// The default file reaches the documents folder on first use, and every position of it
// can be solved through the controller: each solution move is legal and accepted, and each
// reply comes from the line.
TEST(Training, EveryShippedPositionIsSolvedByItsLine)
{
    Training h;
    h.c().toggleTraining();
    ASSERT_EQ(h.lastShown(), "Training: Loading training-positions from vmtactics.pgn!");
    const std::string documentsCopy = h.folder.file(kTrainingFileName);
    EXPECT_EQ(TempFolder::read(documentsCopy),
        TempFolder::read(VELMORAK_SOURCE_DIR "/data/vmtactics.pgn"));
    CDatabase* database = h.c().trainingDatabase();
    ASSERT_TRUE(database && database->isOpen());
    const int count = int(database->getEntries().size());
    EXPECT_GE(count, 100);
    for (int n = 0; n < count; ++n) {
        ASSERT_TRUE(h.c().state().trainingMode);
        ASSERT_EQ(database->current(), n);
        SCOPED_TRACE(h.c().game().getTag("PuzzleId"));
        ASSERT_FALSE(h.c().game().getTag("FEN").empty());
        int plies = 0;
        for (const CGameNode* node = h.c().currentNode(); node->childCount() > 0;
             node = node->child(0))
            ++plies;
        ASSERT_EQ(plies % 2, 1) << "the line ends with the user's move";
        for (int ply = 0; ply < plies; ply += 2) {
            Move solution = h.c().currentNode()->child(0)->move();
            Board board = h.c().board();
            ASSERT_TRUE(board.isMoveLegal(solution));
            ASSERT_TRUE(h.c().userMove(solution, true));
            h.prompts.answers = { true };
            h.tick();
        }
    }
    EXPECT_EQ(database->current(), 0) << "after the last position the first comes again";
}

} // namespace
} // namespace velmorak::test
