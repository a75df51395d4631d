// The controller's entries for a game on a chess server: the server's moves (live and from
// a move list), its take-backs, its clock corrections and its move times.
#include <limits>

#include <gtest/gtest.h>

#include "support/ControllerHarness.h"
#include "support/MoveText.h"

namespace velmorak::test {
namespace {

struct ServerGame : ControllerHarness {
    ServerGame()
        : ControllerHarness(std::nullopt)
    {
        sounds.setAnnounceMode(AnnounceMode::Brief);
    }
    bool server(std::string_view coordinates, std::int64_t ms = 3000, bool live = true)
    {
        return c().enterServerMove(moveIn(c().board(), coordinates), ms, live);
    }
    int spoken() const { return int(soundOutput.events.size()); }
    int drawn() const
    {
        int count = 0;
        for (const std::string& event : view.events)
            count += event.rfind("draw", 0) == 0;
        return count;
    }
};

TEST(ServerMoves, TheServersMoveContinuesTheMainLineWithoutAQuestion)
{
    ServerGame h;
    h.options.variationMode = int(VariationMode::Ask);
    h.options.autoAnswer = false;
    h.playAll({ "e4", "e5", "Nf3" });
    h.c().takeBackPlies(2);
    ASSERT_TRUE(h.server("c7c5", 2500));
    EXPECT_TRUE(h.prompts.shown.empty()) << "no New line dialog";
    EXPECT_EQ(h.c().currentNode()->parent()->child(0), h.c().currentNode()) << "the main line";
    EXPECT_EQ(h.c().currentNode()->time(), 2500);
    EXPECT_EQ(h.c().state().blackTimeUsed, 2500);

    // A move already in the game is taken, made the main line again and given the
    // server's time.
    h.c().takeBackPlies(1);
    ASSERT_TRUE(h.server("e7e5", 4000));
    EXPECT_EQ(h.c().currentNode()->san(), "e5");
    EXPECT_EQ(h.c().currentNode()->parent()->child(0), h.c().currentNode());
    EXPECT_EQ(h.c().currentNode()->time(), 4000);
    EXPECT_EQ(h.c().game().getTag("Result"), "*");
    EXPECT_FALSE(h.server("e2e4")) << "illegal here";
}

TEST(ServerMoves, ListMovesAndMovesUnderADialogAreEnteredQuietly)
{
    ServerGame h;
    const int before = h.drawn();
    ASSERT_TRUE(h.server("e2e4", 1000, false));
    EXPECT_EQ(h.drawn(), before) << "a move list is not drawn move by move";
    EXPECT_EQ(h.spoken(), 0);
    {
        GameController::ModalDialogScope dialog(h.c());
        ASSERT_TRUE(h.server("e7e5"));
        EXPECT_EQ(h.drawn(), before);
        EXPECT_EQ(h.spoken(), 0);
    }
    EXPECT_EQ(h.c().board().fen(), positionAfter("e2e4 e7e5").fen());
    ASSERT_TRUE(h.server("g1f3"));
    EXPECT_EQ(h.drawn(), before + 1);
    EXPECT_GT(h.spoken(), 0);
    h.c().waitForAutosave();
    EXPECT_NE(TempFolder::read(h.folder.file("vmautosave.pgn")).find("Nf3"), std::string::npos);
}

TEST(ServerMoves, AnObservedGameIsSpokenAtMostOnceInTwoHundredMilliseconds)
{
    ServerGame h;
    h.c().SetObserveMode(true, 7);
    ASSERT_TRUE(h.server("e2e4"));
    const int once = h.spoken();
    ASSERT_GT(once, 0);
    h.clock.advance(kServerAnnounceMs - 1);
    ASSERT_TRUE(h.server("e7e5"));
    EXPECT_EQ(h.spoken(), once) << "too soon";
    h.clock.advance(1);
    ASSERT_TRUE(h.server("g1f3"));
    EXPECT_GT(h.spoken(), once);
}

TEST(ServerMoves, TakeBacksTimesAndClockCorrectionsKeepTheGameGoing)
{
    ServerGame h;
    h.c().SetServerGameMode(true, 12);
    for (const char* move : { "e2e4", "e7e5", "g1f3" })
        ASSERT_TRUE(h.server(move));
    h.c().serverTakeBack(0);
    h.c().serverTakeBack(-3);
    EXPECT_EQ(h.c().state().plyNumber, 4) << "nothing for a count of 0 or less";
    h.c().serverTakeBack(2);
    EXPECT_EQ(h.c().board().fen(), positionAfter("e2e4").fen());
    EXPECT_TRUE(h.c().state().serverGameMode) << "the game goes on";
    EXPECT_EQ(h.c().state().serverGameNumber, 12);

    h.c().setCurrentMoveTime(7000);
    EXPECT_EQ(h.c().currentNode()->time(), 7000);
    constexpr std::int64_t kMax = std::numeric_limits<std::int64_t>::max();
    struct Row {
        std::int64_t delta;
        std::int64_t used;
    } rows[] = { { -kMax, 0 }, { 500, 500 }, { -10000, 0 }, { kMax, kMax }, { 1, kMax },
        { -kMax, 0 } };
    for (const Row& row : rows) {
        h.c().correctUsedTime(false, row.delta);
        EXPECT_EQ(h.c().state().whiteTimeUsed, row.used) << row.delta;
    }
}

} // namespace
} // namespace velmorak::test
