#include "dgt/DgtDriver.h"

#include <gtest/gtest.h>

#include "support/FakeClock.h"
#include "support/FakeSerialPort.h"
#include "support/SimulatedDgtBoard.h"

namespace velmorak {
namespace {

using Code = DgtEventCode;
using test::SimulatedDgtBoard;

constexpr const char* kPath = "/dev/ttyUSB0";
// What the driver asks a board it has just found: trademark, serial number, bus address,
// clock, then updates and the whole board.
const std::string kStartupRequests = "\x47\x45\x46\x41\x4B\x42";
const std::vector<Code> kFirstAnswers = { Code::BlackClockTimeChanged, Code::WhiteClockTimeChanged,
    Code::StartingPosition, Code::BoardPositionChanged };

class DgtDriverTest : public ::testing::Test {
protected:
    void SetUp() override { board.setImage(dgtStartImage()); }

    // Polls at the program's period for `ms`; no poll may handle two board changes.
    void run(int ms)
    {
        for (int elapsed = 0; elapsed < ms; elapsed += DgtDriver::kPollPeriodMs) {
            clock.advance(DgtDriver::kPollPeriodMs);
            driver.pollBoard();
            std::vector<DgtEvent> events = driver.takeEvents();
            ASSERT_LE(
                std::count_if(events.begin(), events.end(),
                    [](const DgtEvent& event) { return event.code == Code::BoardPositionChanged; }),
                1);
            received.insert(received.end(), events.begin(), events.end());
        }
    }
    // Connects and runs until the board has sent its first dump and runs on updates.
    void start()
    {
        ASSERT_TRUE(driver.connectBoard(kPath));
        run(6000);
        ASSERT_TRUE(driver.boardValid());
        ASSERT_TRUE(board.updateMode());
    }
    std::vector<Code> takeCodes()
    {
        std::vector<Code> codes;
        for (const DgtEvent& event : received)
            codes.push_back(event.code);
        received.clear();
        return codes;
    }

    SimulatedDgtBoard board;
    test::FakeSerialPort port { board };
    test::FakeClock clock;
    DgtDriver driver { port, clock };
    std::vector<DgtEvent> received;
};

TEST_F(DgtDriverTest, StartsWithTheRequestsAndReadsTheFirstDump)
{
    ASSERT_TRUE(driver.connectBoard(kPath));
    EXPECT_EQ(port.written(), "\x4D");
    port.clearWritten();
    run(6000);
    EXPECT_EQ(port.written(), kStartupRequests);
    // The clock is asked for before the board.
    EXPECT_EQ(takeCodes(), kFirstAnswers);
    EXPECT_EQ(driver.board(), dgtStartImage());
    EXPECT_EQ(driver.versionMajor(), 1);
    EXPECT_EQ(driver.versionMinor(), 7);
    EXPECT_EQ(driver.serialNumber(), "12345");
    EXPECT_EQ(driver.trademark(), "Digital Game Technology");
    EXPECT_EQ(driver.busAddress(), 300);
    EXPECT_FALSE(driver.clockAttached());
    EXPECT_EQ(driver.whiteClockText(), "-:--:--");
}

class DgtDriverChunks : public DgtDriverTest, public ::testing::WithParamInterface<std::size_t> { };

TEST_P(DgtDriverChunks, ReadsEachGestureAloneWhateverTheChunks)
{
    ASSERT_TRUE(driver.connectBoard(kPath));
    port.setChunkSize(GetParam());
    run(30000);
    ASSERT_TRUE(board.updateMode());
    takeCodes();

    board.inject("\x01\x7F\x05");
    board.move("e2", "e4");
    board.inject(SimulatedDgtBoard::message(0x20, "junk"));
    board.move("d7", "d5");
    board.move("e4", "d5");
    board.lift("e1");
    board.put("e1", kDgtWhiteKing);
    board.lift("e8");
    board.put("e8", kDgtBlackKing);
    // King first over the pieces in its way: no move-now.
    board.castle("e1", "g1", "h1", "f1");
    run(20000);
    std::vector<Code> expected(8, Code::BoardPositionChanged);
    expected.insert(expected.end(),
        { Code::WhiteMoveNow, Code::BoardPositionChanged, Code::BoardPositionChanged,
            Code::BlackMoveNow });
    expected.insert(expected.end(), 7, Code::BoardPositionChanged);
    EXPECT_EQ(takeCodes(), expected);
    EXPECT_EQ(driver.board(), board.image());
}

INSTANTIATE_TEST_SUITE_P(ChunkSizes, DgtDriverChunks, ::testing::Values(1, 2, 3, 7, 64));

TEST_F(DgtDriverTest, ReadsATurnedBoardAndItsClockTheRightWayRound)
{
    start();
    takeCodes();
    board.turnAround();
    run(10000);
    std::vector<Code> codes = takeCodes();
    ASSERT_GE(codes.size(), 2U);
    EXPECT_EQ(codes[codes.size() - 2], Code::StartingPosition);
    EXPECT_TRUE(driver.rotated());
    EXPECT_EQ(driver.board(), dgtStartImage());

    board.setClock(60, 7265, 0x10);
    run(300);
    EXPECT_EQ(
        takeCodes(), (std::vector { Code::BlackClockTimeChanged, Code::WhiteClockTimeChanged }));
    EXPECT_EQ(driver.whiteClockText(), "2:01:05");
    EXPECT_EQ(driver.blackClockText(), "0:01:00");
    EXPECT_TRUE(driver.clockAttached());

    board.move("d2", "d4");
    run(300);
    ASSERT_EQ(received.size(), 2U);
    EXPECT_EQ(received[1].board, dgtTurnedImage(board.image()));
}

TEST_F(DgtDriverTest, ACommandSentMeanwhileParsesNothing)
{
    start();
    takeCodes();
    board.move("e2", "e4");
    port.waiting();
    driver.requestClock();
    EXPECT_TRUE(driver.takeEvents().empty());
    run(450);
    EXPECT_EQ(
        takeCodes(), (std::vector { Code::BoardPositionChanged, Code::BoardPositionChanged }));
}

TEST_F(DgtDriverTest, SilenceRunsTheStartUpAgainEvenAfterAHalfMessage)
{
    start();
    port.clearWritten();
    run(2700);
    EXPECT_EQ(port.written(), "");
    run(3000);
    EXPECT_EQ(port.written(), kStartupRequests);

    takeCodes();
    port.clearWritten();
    board.inject(SimulatedDgtBoard::fieldUpdate(52, 0).substr(0, 4));
    run(4800);
    EXPECT_TRUE(takeCodes().empty());
    EXPECT_EQ(port.written(), "");
    run(3000);
    EXPECT_EQ(port.written(), kStartupRequests);
    board.move("e2", "e4");
    run(450);
    EXPECT_EQ(
        takeCodes(), (std::vector { Code::BoardPositionChanged, Code::BoardPositionChanged }));
    EXPECT_EQ(driver.board(), board.image());
}

TEST_F(DgtDriverTest, AnOverflowDropsWhatWaitsAndAsksForTheBoardAgain)
{
    start();
    takeCodes();
    for (int round = 0; round < 2; ++round) {
        SCOPED_TRACE(round);
        port.clearWritten();
        board.inject(std::string(DgtReceiveRing::kCapacity, '\x01'));
        board.move(round == 0 ? "e2" : "d2", round == 0 ? "e4" : "d4");
        run(300);
        std::vector<DgtNotice> notices = driver.takeNotices();
        ASSERT_EQ(notices.size(), 1U);
        EXPECT_EQ(notices[0].kind, DgtNotice::Kind::Overflow);
        EXPECT_EQ(port.written(), "\x42");
        EXPECT_EQ(takeCodes(), std::vector { Code::BoardPositionChanged });
        EXPECT_EQ(driver.board(), board.image());
    }
}

TEST_F(DgtDriverTest, LooksForAnUnpluggedBoardUntilItAnswersAgain)
{
    start();
    takeCodes();
    port.unplug();
    run(150);
    std::vector<DgtNotice> notices = driver.takeNotices();
    ASSERT_EQ(notices.size(), 1U);
    EXPECT_EQ(notices[0].kind, DgtNotice::Kind::Unplugged);
    EXPECT_EQ(
        notices[0].text, "The DGT board on /dev/ttyUSB0 was disconnected; looking for it again.");
    EXPECT_FALSE(driver.isOpen());
    EXPECT_TRUE(driver.isConnected());

    board.move("e2", "e4");
    run(4500);
    int opensWhileAway = port.opens();
    EXPECT_GE(opensWhileAway, 2);
    // Back, but held by another prober for its first open: tried again at the next interval.
    port.plugBack();
    port.failOpens(SerialSetupStep::Open);
    run(2000);
    EXPECT_TRUE(driver.takeNotices().empty());
    run(2000);
    notices = driver.takeNotices();
    ASSERT_EQ(notices.size(), 1U);
    EXPECT_EQ(notices[0].kind, DgtNotice::Kind::Reconnected);
    run(6000);
    EXPECT_EQ(takeCodes(),
        (std::vector { Code::BlackClockTimeChanged, Code::WhiteClockTimeChanged,
            Code::BoardPositionChanged }));
    EXPECT_EQ(driver.board(), board.image());
}

TEST_F(DgtDriverTest, ProbeFindsTheVersionAnswerAnywhereInWhatCame)
{
    const struct {
        const char* name;
        std::string ahead;
        bool silent;
        bool found;
    } rows[] = {
        { "answer alone", "", false, true },
        { "an update ahead of it", SimulatedDgtBoard::fieldUpdate(12, 0), false, true },
        { "garbage ahead of it", "\x01\x02\x8E", false, true },
        { "no board on the line", "", true, false },
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        board.aheadOfAnswers = row.ahead;
        board.silent = row.silent;
        EXPECT_EQ(driver.probePort(kPath), row.found);
        EXPECT_FALSE(port.isOpen());
    }
    Status status = driver.connectBoard(kPath);
    ASSERT_FALSE(status);
    EXPECT_EQ(status.error().message, DgtDriver::kNotConnectedText);
}

TEST_F(DgtDriverTest, ReportsEachFailedSetUpStepAndAPortAlreadyOpen)
{
    const struct {
        SerialSetupStep step;
        const char* text;
    } rows[] = {
        { SerialSetupStep::Open, "ERROR (ComInit: COMINITERROR)" },
        { SerialSetupStep::GetState, "ERROR (ComInit: COMGETCOMMSTATEERROR)" },
        { SerialSetupStep::SetState, "ERROR (ComInit: COMSETCOMMSTATEERROR)" },
        { SerialSetupStep::SetTimeouts, "ERROR (ComInit: COMSETCOMMTOERROR)" },
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.text);
        // The probe's open succeeds, ComInit's fails.
        port.failOpens(row.step, 1, 1);
        Status status = driver.connectBoard(kPath);
        ASSERT_FALSE(status);
        EXPECT_EQ(status.error().message.rfind(
                      std::string(DgtDriver::kNotConnectedText) + "\n" + row.text, 0),
            0U);
        std::vector<DgtNotice> notices = driver.takeNotices();
        ASSERT_EQ(notices.size(), 1U);
        EXPECT_EQ(notices[0].kind, DgtNotice::Kind::PortError);
        EXPECT_EQ(notices[0].text.rfind(row.text, 0), 0U);
        EXPECT_EQ(driver.takeEvents().at(0).code, Code::Message);
        EXPECT_FALSE(port.isOpen());
        EXPECT_FALSE(driver.isConnected());
    }
    // A line that cannot even be probed says why.
    port.failOpens(SerialSetupStep::Open);
    Status unopened = driver.connectBoard(kPath);
    ASSERT_FALSE(unopened);
    EXPECT_EQ(unopened.error().message,
        std::string(DgtDriver::kNotConnectedText) + "\ncannot set up " + kPath + ": step failed");
    ASSERT_TRUE(driver.connectBoard(kPath));
    EXPECT_EQ(driver.comInit(kPath, 8), 0);
    std::vector<DgtNotice> notices = driver.takeNotices();
    ASSERT_EQ(notices.size(), 1U);
    EXPECT_EQ(notices[0].text, "ERROR (ComInit: PortIsOpen)");
    EXPECT_TRUE(driver.isOpen());
}

} // namespace
} // namespace velmorak
