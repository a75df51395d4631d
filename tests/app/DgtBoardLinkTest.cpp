// The DGT board as a source of moves: a simulated board on an in-memory line, the real
// driver, link and controller, with the fake clock's timer 105 doing the polling.
#include "app/DgtBoardLink.h"

#include <gtest/gtest.h>

#include "dgt/DgtBoardRecognizer.h"
#include "record/CGameNode.h"
#include "rules/Square.h"
#include "support/ControllerHarness.h"
#include "support/FakeSerialPort.h"
#include "support/SimulatedDgtBoard.h"

namespace velmorak {
namespace {

using test::ControllerHarness;
using test::SimulatedDgtBoard;

// What the window would do with the link's reports, recorded.
struct RecordingLinkView final : DgtLinkView, DgtSetupFollower {
    void boardMoveEntered(const CGameNode& node) override { moves.push_back(node.san()); }
    void boardDisagrees(const std::vector<Square>& squares) override { disagreement = squares; }
    void clockTextsChanged(const DgtClockTexts& texts) override
    {
        clocks.push_back(texts.white + " " + texts.black);
    }
    void setupRequested() override { ++setups; }
    void connectionChanged(bool connected, std::string_view) override
    {
        states.push_back(connected);
    }
    void boardShows(const BoardSquares& squares) override { shown = squares; }
    void sideSetOnBoard(std::uint8_t side) override { sides.push_back(side); }

    std::vector<std::string> moves;
    std::vector<Square> disagreement;
    std::vector<std::string> clocks;
    std::vector<bool> states;
    std::vector<std::uint8_t> sides;
    std::optional<BoardSquares> shown;
    int setups = 0;
};

class DgtBoardLinkTest : public ::testing::Test {
protected:
    explicit DgtBoardLinkTest(std::optional<std::string> engine = std::nullopt)
        : h(std::move(engine))
    {
        h.options.autoAnswer = false;
        board.setImage(dgtStartImage());
    }

    void SetUp() override
    {
        ASSERT_TRUE(link.connect("/dev/ttyUSB0"));
        run(6000);
        ASSERT_TRUE(board.updateMode()) << "the start-up requests went out";
    }

    // Lets `steps` polls of timer 105 run, one period apart (each reads at most one change).
    void poll(int steps)
    {
        for (int i = 0; i < steps; ++i)
            h.elapse(DgtDriver::kPollPeriodMs);
    }
    void run(int ms = 1000) { poll(ms / DgtDriver::kPollPeriodMs); }
    // A move made on the board, then time for its changes to be read.
    void play(std::string_view from, std::string_view to)
    {
        board.move(from, to);
        poll(6);
    }
    std::string moves() { return h.movesText(); }
    // The half-moves from the game's start to where it stands.
    int plies() const { return h.controller->state().plyNumber - 1; }

    ControllerHarness h;
    SimulatedDgtBoard board;
    test::FakeSerialPort port { board };
    DgtDriver driver { port, h.clock };
    RecordingLinkView view;
    DgtBoardLink link { h.c(), driver, h.clock, h.ui, view };
};

TEST_F(DgtBoardLinkTest, AGamePlayedOnTheBoardEntersTheGameMoveByMove)
{
    EXPECT_TRUE(h.c().state().dgtConnected);
    // Captures, castling king first, en passant with the pawn taken off by hand: each change
    // is judged in its order.
    play("e2", "e4");
    play("g8", "f6");
    play("e4", "e5");
    play("d7", "d5");
    board.move("e5", "d6");
    poll(3);
    EXPECT_EQ(view.disagreement.size(), 2u) << "e5 and d6, until the pawn taken is lifted";
    board.lift("d5");
    poll(3);
    play("c7", "d6");
    play("g1", "f3");
    play("b8", "c6");
    play("f1", "c4");
    play("c8", "g4");
    board.castle("e1", "g1", "h1", "f1");
    poll(8);
    play("g4", "f3");
    play("d1", "f3");
    EXPECT_EQ(moves(), "e4 Nf6 e5 d5 exd6 cxd6 Nf3 Nc6 Bc4 Bg4 O-O Bxf3 Qxf3");
    EXPECT_EQ(view.moves.size(), 13u);
    EXPECT_TRUE(view.disagreement.empty());
}

TEST_F(DgtBoardLinkTest, TakeBacksFollowTheBoardOnlyWhenItHadCaughtUp)
{
    play("e2", "e4");
    play("e7", "e5");
    // Both moves undone on the board, one after the other.
    play("e5", "e7");
    EXPECT_EQ(plies(), 1);
    play("e4", "e2");
    EXPECT_EQ(plies(), 0);

    // A move made on the screen but not yet on the board: a man lifted and put back is no
    // take-back, however much the board looks like the position before it.
    play("d2", "d4");
    ASSERT_TRUE(h.play("d5"));
    board.lift("g1");
    board.put("g1", 3);
    poll(6);
    EXPECT_EQ(plies(), 2);
    EXPECT_EQ(view.disagreement.size(), 2u) << "d7 and d5 wait for the screen's move";
    play("d7", "d5");
    EXPECT_TRUE(view.disagreement.empty());
    // Now the board had the position, so undoing both moves on it takes both back.
    board.move("d5", "d7");
    board.move("d4", "d2");
    poll(12);
    EXPECT_EQ(plies(), 0);
}

TEST_F(DgtBoardLinkTest, StartPositionStartsANewGameAndAsksTheClockAgain)
{
    play("e2", "e4");
    board.setClock(300, 280);
    run();
    EXPECT_EQ(h.c().dgtClockTexts().white, "0:05:00");
    EXPECT_EQ(view.clocks.back(), "0:05:00 0:04:40");
    port.clearWritten();
    play("e4", "e2");
    EXPECT_EQ(moves(), "") << "a new game, not a take-back";
    EXPECT_NE(port.written().find('\x41'), std::string::npos) << "the clock is asked again";
    run();
    EXPECT_EQ(h.c().dgtClockTexts().black, "0:04:40") << "the new game shows the clock again";

    // In training the board's start position does not end the session's game.
    h.c().setTraining(false);
    play("d2", "d4");
    h.c().SetObserveMode(true, 5);
    board.move("d4", "d2");
    poll(6);
    EXPECT_EQ(moves(), "d4") << "an observed game is the server's, not the board's";
}

TEST_F(DgtBoardLinkTest, ChangesUnderAnOpenBoxWaitAndAreJudgedWhenItCloses)
{
    {
        GameController::ModalDialogScope box(h.c());
        play("e2", "e4");
        play("e7", "e5");
        EXPECT_EQ(moves(), "");
    }
    poll(2);
    EXPECT_EQ(moves(), "e4 e5") << "no move made under the box is lost";
}

TEST_F(DgtBoardLinkTest, BothKingsLiftedOpenTheSetupWhichTheBoardThenFeeds)
{
    board.lift("e1");
    board.lift("e8");
    poll(6);
    EXPECT_EQ(view.setups, 1);
    link.setSetupFollower(&view);
    board.put("e8", 11);
    board.put("e1", 5);
    board.lift("d2");
    poll(10);
    ASSERT_EQ(view.sides, std::vector<std::uint8_t> { kWhiteSide });
    ASSERT_TRUE(view.shown);
    EXPECT_EQ((*view.shown)[0x13], kEmpty) << "the editor follows every change";
    EXPECT_EQ(moves(), "") << "nothing reaches the game meanwhile";
    link.setSetupFollower(nullptr);
}

TEST_F(DgtBoardLinkTest, AnUnpluggedBoardIsFoundAgainAndPlayGoesOn)
{
    play("e2", "e4");
    port.unplug();
    run(500);
    EXPECT_EQ(view.states.back(), false);
    EXPECT_TRUE(link.isConnected()) << "still looked for";
    ASSERT_TRUE(h.play("e5"));
    board.move("e7", "e5");
    port.plugBack();
    run(9000);
    EXPECT_EQ(view.states.back(), true);
    play("g1", "f3");
    EXPECT_EQ(moves(), "e4 e5 Nf3");
}

TEST_F(DgtBoardLinkTest, ABusyLineIsTriedAgainAndABoardThatAnswersNothingIsNotConnected)
{
    link.disconnect();
    EXPECT_FALSE(h.c().state().dgtConnected);
    // Busy for a moment, as a new device a modem prober holds: tried again, then taken.
    port.failOpens(SerialSetupStep::Open, 4, 0, ErrorKind::Conflict);
    EXPECT_TRUE(link.connect("/dev/ttyUSB0"));
    EXPECT_TRUE(h.prompts.shown.empty());
    link.disconnect();
    board.silent = true;
    h.prompts.shown.clear();
    EXPECT_FALSE(link.connect("/dev/ttyUSB0"));
    ASSERT_EQ(h.prompts.shown.size(), 1u);
    EXPECT_EQ(h.prompts.shown[0].rfind("Velmorak: DGT-Board not properly connected", 0), 0u)
        << h.prompts.shown[0];
    EXPECT_FALSE(h.c().state().dgtConnected);
}

// A server game where the user has White: what the controller would send.
struct ServerAsWhite final : ServerLink {
    void sendMove(const CGameNode& node) override { sent.push_back(node.san()); }
    void requestTakeback() override { }
    void sendUnobserve() override { }
    void log(std::string_view) override { }
    bool isUsersSide(std::uint8_t side) const override { return side == kWhiteSide; }
    std::vector<std::string> sent;
};

TEST_F(DgtBoardLinkTest, InAServerGameOnlyTheUsersMovesGoToTheServer)
{
    ServerAsWhite server;
    h.c().setServerLink(&server);
    h.c().SetServerGameMode(true, 7);
    play("e2", "e4");
    // The opponent's move made on the board ahead of the server is the server's to tell.
    play("e7", "e5");
    EXPECT_EQ(server.sent, std::vector<std::string> { "e4" });
    EXPECT_EQ(plies(), 1);
    EXPECT_FALSE(view.disagreement.empty());
    Board position = h.c().board();
    ASSERT_TRUE(h.c().enterServerMove(
        position.findMove(squareFromText("e7"), squareFromText("e5"), kEmpty), 0, true));
    poll(1);
    EXPECT_TRUE(view.disagreement.empty()) << "the board had it already";
    h.c().SetServerGameMode(false, -1);
    h.c().setServerLink(nullptr);
}

class DgtBoardLinkEngineTest : public DgtBoardLinkTest {
protected:
    DgtBoardLinkEngineTest()
        : DgtBoardLinkTest("line 0 first")
    {
    }
};

TEST_F(DgtBoardLinkEngineTest, AKingLiftedAndPutBackIsMoveNowForItsSide)
{
    play("e2", "e4");
    // White's king on Black's turn: nothing.
    board.lift("e1");
    board.put("e1", 5);
    poll(6);
    EXPECT_EQ(h.countCalls("StartAnalyse"), 0);
    board.lift("e8");
    board.put("e8", 11);
    poll(6);
    h.settle();
    poll(1);
    EXPECT_EQ(h.countCalls("StartAnalyse"), 1);
    EXPECT_EQ(h.c().state().plyNumber, 3) << "the engine played Black's move";
    EXPECT_EQ(view.disagreement.size(), 2u) << "its move waits to be made on the board";
}

} // namespace
} // namespace velmorak
