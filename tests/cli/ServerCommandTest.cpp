// velmorak-cli server against a fake chess server on loopback TCP: scripted sessions of
// both dialects, the command's input on a pipe, its events checked line by line.
#include <algorithm>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "support/CliProcess.h"
#include "support/CliRunner.h"
#include "support/FakeChessServer.h"
#include "support/LineFile.h"
#include "support/TempFolder.h"
#include "support/TextChecks.h"

namespace {

using velmorak::test::contains;
using velmorak::test::FakeChessServer;
using Lines = std::vector<std::string>;

Lines lines(const std::string& text, bool events = false)
{
    Lines result;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);)
        if (!events || !(line.starts_with("< ") || line.starts_with("> ")))
            result.push_back(line);
    return result;
}

// The command with a folder of its own (settings, autosave) against a fake server.
struct ServerRun {
    explicit ServerRun(bool timeseal)
        : server(timeseal)
    {
    }
    std::vector<std::string> arguments(int port, std::vector<std::string> options) const
    {
        options.insert(options.begin(),
            { "server", "--host", "127.0.0.1", "--port", std::to_string(port), "--settings",
                folder.file("settings.reg") });
        return options;
    }
    // Starts the command and lets the server greet it.
    void start(std::vector<std::string> options,
        std::vector<std::pair<std::string, std::string>> environment = {})
    {
        environment.emplace_back("VELMORAK_DOCUMENTS", folder.path());
        cli.emplace(arguments(server.port(), std::move(options)), environment);
        ASSERT_TRUE(server.accept());
        server.send("login: ");
    }
    bool waitFor(const std::string& line)
    {
        bool found = cli->waitForLine(line, [this] { server.serve(5); });
        EXPECT_TRUE(found) << "no '" << line << "' in:\n" << cli->out() << cli->err();
        return found;
    }
    int finish()
    {
        return cli->finish([this] { server.serve(5); });
    }

    TempFolder folder;
    FakeChessServer server;
    std::optional<CliProcess> cli;
};

Lines between(const Lines& lines, const std::string& first, const std::string& last)
{
    auto begin = std::find(lines.begin(), lines.end(), first);
    auto end = std::find(begin, lines.end(), last);
    return end == lines.end() ? Lines {} : Lines(begin, end + 1);
}

// A recorded exchange of a real server, as the server sends it.
std::string recorded(const std::string& name)
{
    std::string text;
    for (const std::string& line : velmorak::test::icsTranscript(name))
        text += line + "\n";
    return text;
}

// Logs the command in as the FICS guest `handle`.
void guestLogin(FakeChessServer& server, const std::string& handle)
{
    server.expect("guest",
        "\"guest\" is not a registered name.\n\nPress return to enter the server as \"" + handle +
            "\": ");
    server.expect("", "\n**** Starting FICS session as " + handle + "(U) ****\nfics% ");
}

bool has(const Lines& lines, const std::string& line)
{
    return std::find(lines.begin(), lines.end(), line) != lines.end();
}

const std::string kStart = "<12> rnbqkbnr pppppppp -------- -------- -------- -------- PPPPPPPP "
                           "RNBQKBNR W -1 1 1 1 1 0 111 GuestGTFC GuestRLJC 1 5 0 39 39 300000 "
                           "300000 1 none (0:00.000) none 0 0 0\n";
const std::string kAfterE4 = "<12> rnbqkbnr pppppppp -------- -------- ----P--- -------- PPPP-PPP "
                             "RNBQKBNR B 4 1 1 1 1 0 111 GuestGTFC GuestRLJC -1 5 0 39 39 300000 "
                             "300000 1 P/e2-e4 (0:00.000) e4 0 0 0\n";
const std::string kAfterE5 = "<12> rnbqkbnr pppp-ppp -------- ----p--- ----P--- -------- PPPP-PPP "
                             "RNBQKBNR W 4 1 1 1 1 0 111 GuestGTFC GuestRLJC 1 5 0 39 39 300000 "
                             "298000 2 P/e7-e5 (0:02.000) e5 0 1 0\n";

} // namespace

TEST(ServerCommand, FicsGuestSeeksPlaysAndWinsOnTime)
{
    ServerRun run(true);
    FakeChessServer& server = run.server;
    guestLogin(server, "GuestGTFC");
    server.expect("sought",
        "  3 1843 Hamster            5   0 rated   blitz      [white]     0-9999 m\n"
        "  7 ++++ GuestRLJC          5   0 unrated blitz                  0-9999\n"
        "2 ads displayed.\nfics% ");
    server.expect("play 7",
        "Creating: GuestGTFC (++++) GuestRLJC (++++) unrated blitz 5 0\n"
        "{Game 111 (GuestGTFC vs. GuestRLJC) Creating unrated blitz match.}\n\n" +
            kStart + "fics% ");
    server.expect("e4", kAfterE4 + "fics% " + kAfterE5 + "fics% ");
    server.expect("flag",
        "{Game 111 (GuestGTFC vs. GuestRLJC) GuestRLJC forfeits on time} 1-0\n"
        "No ratings adjustment done.\nfics% ");
    run.start({ "--guest" });
    ASSERT_TRUE(run.waitFor("> set shout 0"));
    // The server's timeseal request, alone and inside a prompt, is answered unseen.
    server.send("[G]\nfics% [G]" + std::string(1, '\0'));

    run.cli->write("/sought\n");
    ASSERT_TRUE(run.waitFor("list sought 2"));
    run.cli->write("/play 7\n");
    ASSERT_TRUE(run.waitFor("game started 111"));
    run.cli->write("e4\n");
    ASSERT_TRUE(run.waitFor("move e5"));
    run.cli->write("/flag\n");
    ASSERT_TRUE(run.waitFor("game ended 1-0 forfeits on time"));
    // The rematch question waits for an answer; /quit answers it No and ends.
    run.cli->write("/quit\n");
    EXPECT_EQ(run.finish(), 0) << run.cli->err();

    // Stamped from the hello on, the closing "quit" included; nothing left undecoded.
    const Lines& received = server.received();
    ASSERT_GE(received.size(), 3u);
    EXPECT_EQ(Lines(received.begin(), received.begin() + 3),
        (Lines { "TIMESTAMP|Velmorak|Linux|", "guest", "" }));
    EXPECT_EQ(received.back(), "quit");
    EXPECT_FALSE(has(received, "<undecodable>"));
    EXPECT_EQ(std::count(received.begin(), received.end(),
                  "\x02"
                  "9"),
        2);
    EXPECT_EQ(server.pending(), 0u);

    const Lines out = lines(run.cli->out());
    EXPECT_TRUE(has(out, "< 2 ads displayed."));
    EXPECT_FALSE(contains(run.cli->out(), "[G]"));
    // The user's move is entered here first, then sent by the game's own path.
    EXPECT_EQ(between(out, "move e4", "> e4").size(), 3u);
    const Lines events = lines(run.cli->out(), true);
    EXPECT_TRUE(has(events, "entry Hamster (1843)|5 0|rated blitz|[white]|0-9999|m"));
    EXPECT_TRUE(has(events, "entry GuestRLJC (0)|5 0|unrated blitz||0-9999|"));
    EXPECT_EQ(between(events, "game started 111", "game ended 1-0 forfeits on time"),
        (Lines { "game started 111", "move e4",
            "fen rnbqkbnr/pppppppp/8/8/4P3/8/PPPP1PPP/RNBQKBNR b KQkq - 0 1", "move e5",
            "fen rnbqkbnr/pppp1ppp/8/4p3/4P3/8/PPPP1PPP/RNBQKBNR w KQkq - 0 2",
            "game ended 1-0 forfeits on time" }));
    EXPECT_TRUE(
        contains(events.back(), "message Game finished: Game 111 finished! GuestGTFC - GuestRLJC"))
        << events.back();
}

TEST(ServerCommand, FicsObservationFetchesTheMovesAndFollowsTheBoard)
{
    ServerRun run(true);
    FakeChessServer& server = run.server;
    guestLogin(server, "GuestQZXW");
    server.expect("observe 463", recorded("ficsobserve.py:89 "));
    server.expect("moves 463", recorded("ficsobserve.py:104 ") + "fics% ");
    run.start({});
    ASSERT_TRUE(run.waitFor("> set shout 0"));
    run.cli->write("/observe 463\n");
    ASSERT_TRUE(run.waitFor("game started 463"));
    ASSERT_TRUE(run.waitFor("move Rb8"));
    server.send(recorded("ficsobserve.py:166 "));
    ASSERT_TRUE(run.waitFor("move Rg8"));
    run.cli->write("/quit\n");
    EXPECT_EQ(run.finish(), 0) << run.cli->err();

    const Lines& received = server.received();
    auto observe = std::find(received.begin(), received.end(), "observe 463");
    ASSERT_NE(observe, received.end());
    ASSERT_NE(observe + 1, received.end());
    EXPECT_EQ(observe[1], "moves 463");
    // The whole game is read from the move list, then each move the server reports.
    const Lines events = lines(run.cli->out(), true);
    EXPECT_EQ(std::count_if(events.begin(), events.end(),
                  [](const std::string& line) { return line.starts_with("move "); }),
        74);
    EXPECT_EQ(events.back(), "fen 6r1/2k5/4p3/n1ppPb1p/5P1P/1PP1K1P1/P5R1/2R5 w - - 13 38");
}

TEST(ServerCommand, IccRegisteredLoginStampsNothingAnswersAChallengeAndHidesThePassword)
{
    ServerRun run(false);
    FakeChessServer& server = run.server;
    server.expect("gbtami",
        "\"gbtami\" is a registered name.  If it is yours, type the password.\npassword: ");
    server.expect("hunter2", "\naics% ");
    run.start({ "--icc", "--user", "gbtami" }, { { "VELMORAK_SERVER_PASSWORD", "hunter2" } });
    ASSERT_TRUE(run.waitFor("message Logged in: Connected and logged in as gbtami!"));

    // A challenge waits for the user's answer; what is typed meanwhile goes on.
    server.send("Challenge: ggbtami (----) gbtami (1708) unrated blitz 5 0.\naics% ");
    ASSERT_TRUE(run.waitFor("message Accept match: ggbtami (----) - gbtami (1708) 5 0 unrated "
                            "blitz (no preferred color)"));
    run.cli->write("finger\n/accept\n");
    ASSERT_TRUE(run.waitFor("> accept ggbtami"));
    // A seek not in the list read is answered all the same.
    run.cli->write("/tell 1 hi  there\n/play 12\n/seek\n");
    ASSERT_TRUE(run.waitFor("> seeking 2 12 u auto 0-9999 "));
    // The end of the input logs out as /quit does.
    run.cli->closeInput();
    EXPECT_EQ(run.finish(), 0) << run.cli->err();

    const Lines& received = server.received();
    ASSERT_GE(received.size(), 8u);
    EXPECT_EQ(Lines(received.begin(), received.begin() + 2), (Lines { "gbtami", "hunter2" }));
    EXPECT_EQ(Lines(received.end() - 6, received.end()),
        (Lines { "finger", "accept ggbtami", "tell 1 hi  there", "play 12",
            "seeking 2 12 u auto 0-9999 ", "quit" }));
    EXPECT_TRUE(has(lines(run.cli->out()), "> *******"));
    EXPECT_FALSE(contains(run.cli->out() + run.cli->err(), "hunter2"));
    // The login of a run stays that run's: nothing of it reaches the settings.
    const std::string settings = TempFolder::read(run.folder.file("settings.reg"));
    EXPECT_FALSE(contains(settings, "ICC.")) << settings;
    EXPECT_FALSE(contains(settings, "IDC_CBSERVER")) << settings;
}

TEST(ServerCommand, FailsAloneOnARefusedConnectionAndKeepsTheAutosavedGame)
{
    int closedPort = 0;
    {
        FakeChessServer gone(false);
        closedPort = gone.port();
    }
    ServerRun run(false);
    const std::string environment = "VELMORAK_DOCUMENTS='" + run.folder.path() + "'";
    const std::string play =
        "play --white human --black human --settings '" + run.folder.file("settings.reg") + "' ";
    TempFolder::write(run.folder.file("moves"), "e4\nquit\n");
    runCli(play + "< '" + run.folder.file("moves") + "'", environment);
    // Standard input stays open: the command ends by itself.
    CliProcess refused(
        run.arguments(closedPort, {}), { { "VELMORAK_DOCUMENTS", run.folder.path() } });
    EXPECT_EQ(refused.finish([] {}), 1);
    EXPECT_TRUE(contains(refused.out(), "Could not connect to server!")) << refused.out();
    // No game of its own: the game the user left is the one to come back to.
    EXPECT_TRUE(contains(runCli(play + "--restore < /dev/null", environment).out, "1. e4 *"));
}
