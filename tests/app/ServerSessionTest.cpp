// Whole sessions of both dialects against a scripted server on loopback TCP: the real
// client, dispatcher, game sync and controller, as the front ends drive them.
#include "app/ServerSession.h"

#include <algorithm>
#include <functional>

#include <gtest/gtest.h>

#include "platform/PosixSocket.h"
#include "support/ControllerHarness.h"
#include "support/FakeChessServer.h"

namespace velmorak::test {
namespace {

// Records what the session tells the front end as short texts.
struct RecordingSessionView final : ServerSessionView {
    void stateChanged() override { ++stateChanges; }
    void connectionLost() override { events.push_back("lost"); }
    void lowTime() override { events.push_back("low time"); }
    void listRead(ServerList list) override
    {
        events.push_back("list " + std::to_string(static_cast<int>(list)));
    }
    void chatArrived(std::string_view page) override
    {
        events.push_back("chat " + std::string(page));
    }
    void personalMessage(std::string_view from, std::string_view) override
    {
        events.push_back("tell " + std::string(from));
    }
    void gameStarted(int number, bool observing) override
    {
        events.push_back((observing ? "observing " : "playing ") + std::to_string(number));
    }
    void gameEnded(int number, const ServerGameResult& result) override
    {
        events.push_back("ended " + std::to_string(number) + " " + result.result);
    }
    bool askChallenge(const ServerChallenge& challenge) override
    {
        events.push_back("challenge " + challenge.opponent());
        return acceptChallenges;
    }
    std::vector<std::string> events;
    int stateChanges = 0;
    bool acceptChallenges = true;
};

// A session of `dialect` over the harness's controller and a fake server; the waits move
// the harness's clock and let the server answer meanwhile.
struct SessionRig : ControllerHarness, ServerWaits {
    explicit SessionRig(int dialect)
        : ControllerHarness(std::nullopt)
        , server(dialect == kFicsDialect)
    {
        options.server = dialect;
        options.servers[static_cast<std::size_t>(dialect)].port = server.port();
        session = std::make_unique<ServerSession>(c(), options, socket, clock, *this, view);
        session->setSounds(&sounds);
    }
    void runFor(int ms) override
    {
        clock.advance(ms);
        if (!accepted)
            accepted = server.accept(50);
        server.serve(5);
        if (hangUpAfterScript && accepted && server.pending() == 0)
            server.hangUp();
    }
    // Sends `bytes` and polls as the window's timer does until they were read.
    void receive(std::string_view bytes)
    {
        server.send(bytes);
        for (int i = 0; i < 50 && !session->client().checkForServerInput(); ++i)
            server.serve(2);
    }
    void poll()
    {
        server.serve(20);
        session->poll();
    }
    bool shown(std::string_view part) const
    {
        return std::any_of(prompts.shown.begin(), prompts.shown.end(),
            [&](const std::string& text) { return text.find(part) != std::string::npos; });
    }
    bool sent(std::string_view line)
    {
        server.serve(20);
        const auto& lines = server.received();
        return std::find(lines.begin(), lines.end(), line) != lines.end();
    }

    FakeChessServer server;
    PosixSocket socket;
    bool accepted = false;
    bool hangUpAfterScript = false;
    RecordingSessionView view;
    std::unique_ptr<ServerSession> session;
};

constexpr std::string_view kGuestWelcome =
    "\"guest\" is not a registered name.\n\nPress return to enter the server as "
    "\"GuestWXYZ\": ";

std::string board(std::string_view rows, char toMove, int relation, int moveNumber, int whiteMs,
    int blackMs, std::string_view lastMove, std::string_view san)
{
    return "<12> " + std::string(rows) + " " + toMove + " -1 1 1 1 1 0 55 GuestWXYZ Rival " +
        std::to_string(relation) + " 2 12 39 39 " + std::to_string(whiteMs) + " " +
        std::to_string(blackMs) + " " + std::to_string(moveNumber) + " " + std::string(lastMove) +
        " (0:02.000) " + std::string(san) + " 0 0 0\n";
}

constexpr std::string_view kStart =
    "rnbqkbnr pppppppp -------- -------- -------- -------- PPPPPPPP RNBQKBNR";
constexpr std::string_view kAfterE4 =
    "rnbqkbnr pppppppp -------- -------- ----P--- -------- PPPP-PPP RNBQKBNR";
constexpr std::string_view kAfterE5 =
    "rnbqkbnr pppp-ppp -------- ----p--- ----P--- -------- PPPP-PPP RNBQKBNR";

// Logs in as guest on FICS and lets a seek become game 55 with the user as White.
void startGame(SessionRig& rig)
{
    rig.server.expect("guest", std::string(kGuestWelcome));
    ASSERT_TRUE(rig.session->logInAsGuest("127.0.0.1"));
    ASSERT_TRUE(rig.session->seek());
    rig.receive("Creating: GuestWXYZ (++++) Rival (1500) unrated blitz 2 12\n"
                "{Game 55 (GuestWXYZ vs. Rival) Creating unrated blitz match.}\n" +
        board(kStart, 'W', 1, 1, 120000, 120000, "none", "none"));
    ASSERT_TRUE(rig.c().state().serverGameMode);
}

} // namespace

TEST(ServerSessionTest, PlaysASeekToAWinOnTimeOnFics)
{
    SessionRig rig(kFicsDialect);
    startGame(rig);
    EXPECT_EQ(rig.session->sessionHandle(), "GuestWXYZ");
    EXPECT_TRUE(rig.shown("Logged in: Connected and logged in as GuestWXYZ!"));
    EXPECT_EQ(rig.server.received().front(), "TIMESTAMP|Velmorak|Linux|");
    EXPECT_TRUE(rig.sent("style 12"));
    EXPECT_TRUE(std::any_of(rig.server.received().begin(), rig.server.received().end(),
        [](const std::string& line) { return line.starts_with("seek 2 12 unrated"); }));
    // The seek page's fields are kept in the settings the next seek reads.
    ServerSeekSettings seek = rig.session->seekSettings();
    seek.minutes = 5;
    seek.increment = 3;
    seek.rated = true;
    seek.ratingHigh = 1800;
    rig.session->storeSeekSettings(seek);
    EXPECT_EQ(rig.options.seekTime, 5);
    EXPECT_EQ(rig.options.seekEloMax, 1800);
    EXPECT_TRUE(rig.session->seekSettings().rated);
    EXPECT_EQ(rig.session->seekSettings().increment, 3);
    EXPECT_TRUE(rig.shown("Game begins"));
    EXPECT_EQ(rig.soundOutput.events, std::vector<std::string> { "default" });
    EXPECT_EQ(rig.c().serverLink(), &rig.session->sync());

    // The user's move leaves through the sync; the opponent's arrives as a board line.
    ASSERT_TRUE(rig.play("e4"));
    rig.server.serve(50);
    EXPECT_TRUE(rig.sent("e4"));
    rig.receive(board(kAfterE4, 'B', -1, 1, 118000, 120000, "P/e2-e4", "e4") +
        board(kAfterE5, 'W', 1, 2, 15000, 117000, "P/e7-e5", "e5"));
    EXPECT_EQ(rig.movesText(), "e4 e5");
    EXPECT_FALSE(rig.play("e5")) << "not the user's piece to move";
    // The server's clock corrected ours; below the low-time mark the user hears it once.
    rig.poll();
    rig.poll();

    rig.receive("{Game 55 (GuestWXYZ vs. Rival) Rival forfeits on time} 1-0\n");
    EXPECT_FALSE(rig.c().state().serverGameMode);
    EXPECT_EQ(rig.c().game().result(), "1-0");
    const ClockParts atEnd = rig.c().clocks();
    rig.clock.advance(5000);
    EXPECT_EQ(rig.c().clocks(), atEnd) << "no clock runs on after the game ended";
    EXPECT_TRUE(rig.shown("Game finished"));
    const std::vector<std::string> events { "playing 55", "low time", "ended 55 1-0" };
    EXPECT_EQ(rig.view.events, events);

    rig.session->logOut();
    EXPECT_FALSE(rig.session->online());
    EXPECT_EQ(rig.c().serverLink(), nullptr);
    rig.server.serve(50);
    EXPECT_EQ(rig.server.received().back(), "quit");
}

TEST(ServerSessionTest, ALostConnectionKeepsTheGameAndShowsTheStall)
{
    SessionRig rig(kFicsDialect);
    startGame(rig);
    ASSERT_TRUE(rig.play("e4"));
    rig.server.hangUp();
    for (int i = 0; i < 5; ++i)
        rig.poll();
    EXPECT_NE(
        std::find(rig.view.events.begin(), rig.view.events.end(), "lost"), rig.view.events.end());
    EXPECT_FALSE(rig.session->linkAlive());
    EXPECT_TRUE(rig.session->online());
    EXPECT_EQ(rig.movesText(), "e4");
    // Nothing more can come: a fetch gives up at once instead of waiting out its time.
    const std::int64_t before = rig.clock.ticks();
    rig.session->finger().clear();
    EXPECT_FALSE(rig.session->requestFinger("Rival"));
    EXPECT_LT(rig.clock.ticks() - before, 1000);
    // Asked first: the game on the server is lost by logging out; No keeps everything.
    rig.prompts.answers = { false };
    EXPECT_FALSE(rig.session->logOut());
    EXPECT_TRUE(rig.session->online());
    EXPECT_TRUE(rig.session->logOut(false));
    EXPECT_FALSE(rig.c().state().serverGameMode);
    EXPECT_EQ(rig.movesText(), "e4");
}

TEST(ServerSessionTest, ListsChatAndRefusalsOnIcc)
{
    SessionRig rig(kIccDialect);
    rig.session->storeLogin(rig.server.port(), "Anna", "secret");
    rig.server.expect(
        "Anna", "\"Anna\" is a registered name.  If it is yours, type the password.\npassword: ");
    // The prompts owed to the login's settings, arriving late, must not end the list early.
    for (const char* setting : { "set seek 0", "style 12", "set shout 0" })
        rig.server.expect(setting, "aics% ");
    ASSERT_TRUE(rig.session->logIn("127.0.0.1"));
    EXPECT_EQ(rig.server.received().front(), "Anna") << "nothing precedes the name on ICC";

    rig.server.expect("sought -w",
        " 21 1520 Fritzi        blitz     3  0 u  0-9999 mf\n"
        " 22 1530 Fratzi        blitz     3  0 r  0-9999 fm\n"
        "2 ads displayed.\naics% ");
    ASSERT_TRUE(rig.session->requestList(ServerList::Seeks));

    EXPECT_EQ(rig.session->lists().entries(ServerList::Seeks).size(), 2u);
    EXPECT_EQ(rig.view.events.back(), "list 0");
    EXPECT_TRUE(rig.sent("secret"));
    EXPECT_FALSE(rig.shown("secret"));

    // Play without a selection is refused and sends nothing; with one, it plays that seek.
    const std::size_t before = rig.server.received().size();
    EXPECT_FALSE(rig.session->playSelected());
    EXPECT_TRUE(rig.shown("Select a game first!"));
    ASSERT_TRUE(rig.session->lists().select(ServerList::Seeks, 0));
    const int chosen = rig.session->lists().selectedEntry(ServerList::Seeks)->number;
    EXPECT_TRUE(rig.session->playSelected());
    rig.server.serve(50);
    EXPECT_EQ(rig.server.received().size(), before + 1);
    EXPECT_EQ(rig.server.received().back(), "play " + std::to_string(chosen));

    rig.receive("Rival tells you: hello there\n");
    EXPECT_EQ(rig.view.events.back(), "tell Rival");
    ASSERT_NE(rig.session->chat().chatPage("Rival"), nullptr);
    EXPECT_TRUE(rig.session->sendChat("Rival", "hi\nresign"));
    rig.session->sendConsoleLine("finger Rival");
    rig.session->sendConsoleLine("finger Rival");
    rig.server.serve(50);
    EXPECT_TRUE(rig.sent("tell Rival hi resign"));
    EXPECT_EQ(rig.session->consoleHistory(), std::vector<std::string> { "finger Rival" });

    // A challenge is answered through the accept dialog, to the player who is not the user.
    rig.receive("Challenge: Rival (1500) Anna (1600) rated blitz 5 0.\n");
    rig.server.serve(50);
    EXPECT_EQ(rig.view.events.back(), "challenge Rival");
    EXPECT_EQ(rig.server.received().back(), "accept Rival");
}

TEST(ServerSessionTest, AFailedConnectionOrLoginLeavesNothingOpen)
{
    SessionRig rig(kFicsDialect);
    rig.session->storeLogin(1, "Anna", "secret");
    EXPECT_FALSE(rig.session->logIn("127.0.0.1"));
    EXPECT_TRUE(rig.shown("Could not connect to server!"));
    EXPECT_FALSE(rig.session->connected());

    // A server that never confirms the name: the login fails after its wait.
    rig.session->storeLogin(rig.server.port(), "Anna", "secret");
    EXPECT_FALSE(rig.session->logIn("127.0.0.1"));
    EXPECT_TRUE(rig.shown("Login as Anna, password=****** failed! Disconnecting."));
    EXPECT_FALSE(rig.shown("secret"));
    EXPECT_FALSE(rig.session->connected());
    EXPECT_FALSE(rig.session->requestList(ServerList::Seeks));
}

// A server that refuses the password and hangs up is a failed login at once, not after the
// whole wait, and not a session left online that never hears again.
TEST(ServerSessionTest, APasswordRefusedWithAHangUpFailsTheLoginAtOnce)
{
    SessionRig rig(kFicsDialect);
    rig.session->storeLogin(rig.server.port(), "Anna", "wrong");
    rig.server.expect("Anna", "password: ");
    rig.server.expect("wrong", "\n**** Invalid password! ****\n\n");
    rig.hangUpAfterScript = true;
    const std::int64_t before = rig.clock.ticks();
    EXPECT_FALSE(rig.session->logIn("127.0.0.1"));
    EXPECT_LT(rig.clock.ticks() - before, 5000);
    EXPECT_TRUE(rig.shown("Login as Anna, password=***** failed! Disconnecting."));
    EXPECT_FALSE(rig.session->online());
}

} // namespace velmorak::test
