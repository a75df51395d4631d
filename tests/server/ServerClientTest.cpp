#include "server/ServerClient.h"

#include <algorithm>
#include <functional>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "platform/PosixSocket.h"
#include "support/FakeChessServer.h"
#include "support/FakeClock.h"
#include "support/TempFolder.h"

using namespace velmorak;
using namespace velmorak::test;
using namespace std::string_literals;

namespace {

// Lets the client's waits pass on a fake clock, serving the fake server meanwhile.
struct ServingWaits final : ServerWaits {
    void runFor(int ms) override
    {
        clock.advance(ms);
        during();
    }
    FakeClock clock { 5000 };
    std::function<void()> during = [] {};
};

// Records the lines recognised (kind and text), and those handed to the dispatcher.
struct Recorder final : ServerLineHandler, ServerClientListener {
    bool addConsoleLine(std::string_view) override { return true; }
    void log(std::string_view) override { }
    bool serverGameMode() const override { return false; }
    bool observeMode() const override { return false; }
    bool hasCurrentGame() const override { return false; }
    int serverGameNumber() const override { return -1; }
    bool takeWhoEntries(std::string_view) override { return false; }
    void handleServerLine(const ServerLineEvent& e) override
    {
        recognised.push_back(std::string(serverLineKindName(e.kind)) + " " + std::string(e.line));
    }
    void lineReceived(std::string_view line) override { received.emplace_back(line); }
    void disconnected() override { ++disconnects; }
    std::vector<std::string> recognised, received;
    int disconnects = 0;
};

bool holds(const std::vector<std::string>& texts, std::string_view text)
{
    return std::find(texts.begin(), texts.end(), text) != texts.end();
}

bool mentions(const std::vector<std::string>& texts, std::string_view part)
{
    return std::any_of(texts.begin(), texts.end(),
        [&](const std::string& t) { return t.find(part) != std::string::npos; });
}

// A client on a real loopback connection to a fake server, its own time on a fake clock.
struct Session {
    explicit Session(int dialect)
        : server(dialect == kFicsDialect)
        , client(socket, waits.clock, waits, recorder)
    {
        waits.during = [this] { server.serve(5); };
        client.setDialect(dialect);
        client.setListener(&recorder);
    }
    bool connect()
    {
        return client.connectToServer("127.0.0.1", server.port()).ok() && server.accept();
    }
    // Polls as the front end does until the server's bytes were read.
    void poll()
    {
        for (int i = 0; i < 50 && !client.checkForServerInput(); ++i) {
            server.serve(2);
        }
    }

    ServingWaits waits;
    FakeChessServer server;
    PosixSocket socket;
    Recorder recorder;
    ServerClient client;
};

} // namespace

TEST(ServerClient, LogsInAsGuestOrRegisteredInBothDialects)
{
    struct Row {
        int dialect;
        std::string name, password;
        std::vector<std::pair<std::string, std::string>> script;
        std::string handle;
        std::vector<std::string> sent; // everything the server reads, in order
    };
    const std::string settings[] = { "set seek 0", "style 12", "set shout 0" };
    const Row rows[] = {
        // The guest prompt waits for the return without a line end.
        { kFicsDialect, "guest", "",
            { { "guest",
                "\"guest\" is not a registered name.\n\nPress return to enter the server as "
                "\"GuestWXYZ\": " } },
            "GuestWXYZ", { "TIMESTAMP|Velmorak|Linux|", "guest", "", "" } },
        { kFicsDialect, "Magnus", "secret",
            { { "Magnus", "password: " },
                { "secret", "\n**** Starting FICS session as Magnus(GM)(TM) ****\nfics% " } },
            "Magnus", { "TIMESTAMP|Velmorak|Linux|", "Magnus", "secret" } },
        { kIccDialect, "guest", "",
            { { "", "Your name for this session will be \"guest2157\".\naics% " } }, "guest2157",
            { "guest", "", "" } },
        { kIccDialect, "Anna", "secret",
            { { "Anna",
                "\"Anna\" is a registered name.  If it is yours, type the "
                "password.\npassword: " } },
            "Anna", { "Anna", "secret" } },
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name + " " + std::to_string(row.dialect));
        Session s(row.dialect);
        for (const auto& [line, reply] : row.script) {
            s.server.expect(line, reply);
        }
        ASSERT_TRUE(s.connect());
        s.server.send("login: ");
        ASSERT_TRUE(s.client.logIn(row.name, row.password));
        s.server.serve(50);
        EXPECT_TRUE(s.client.online());
        EXPECT_EQ(s.client.sessionHandle(), row.handle);
        std::vector<std::string> sent = row.sent;
        sent.insert(sent.end(), std::begin(settings), std::end(settings));
        EXPECT_EQ(s.server.received(), sent);

        // The password shows nowhere.
        const auto console = s.client.console().strings().texts;
        const auto log = s.client.log().page().strings().texts;
        EXPECT_FALSE(mentions(console, "secret"));
        EXPECT_FALSE(mentions(log, "secret"));
        if (!row.password.empty()) {
            EXPECT_TRUE(holds(console, "VMK% ******"));
        }
        EXPECT_TRUE(holds(console, "VMK% style 12"));
    }
    EXPECT_EQ(ServerClient::loginFailedText("Anna", "hunter2"),
        "Login as Anna, password=******* failed! Disconnecting.");
}

TEST(ServerClient, AnswersTimesealRequestsAndHandsLinesOnInOrder)
{
    Session s(kFicsDialect);
    ASSERT_TRUE(s.connect());
    s.server.serve(50);
    // A long line waits for its continuation; the prompt flushes it.
    const std::string longLine(70, 'x');
    s.server.send(
        "[G]\n" + longLine + "\n\\   tail\nfics% [G]"s + '\0' + "You are now observing game 7.\n");
    s.poll();
    s.poll();
    s.server.serve(50);
    EXPECT_EQ(s.server.received(),
        (std::vector<std::string> { "TIMESTAMP|Velmorak|Linux|",
            "\x02"
            "9",
            "\x02"
            "9" }));
    EXPECT_EQ(s.recorder.received,
        (std::vector<std::string> {
            longLine + " tail", "fics% ", "You are now observing game 7." }));
    EXPECT_TRUE(holds(s.recorder.recognised, "ObserveStart You are now observing game 7."));
    EXPECT_TRUE(holds(s.client.console().strings().texts, longLine + " tail"));
}

TEST(ServerClient, ProbesASilentServerAndReportsTheStall)
{
    Session s(kIccDialect);
    ASSERT_TRUE(s.connect());
    // Nothing received yet: silence sends no probe.
    s.waits.clock.advance(60000);
    s.client.checkForServerInput();
    s.server.send("aics% ");
    s.poll();

    s.waits.clock.advance(30001);
    s.client.checkForServerInput();
    s.waits.clock.advance(5000);
    s.client.checkForServerInput();
    s.server.serve(50);
    EXPECT_EQ(std::count(s.server.received().begin(), s.server.received().end(), "date"), 1);
    EXPECT_TRUE(s.client.linkAlive());
    EXPECT_FALSE(holds(s.client.console().strings().texts, "VMK% date"));

    s.waits.clock.advance(5000);
    s.client.checkForServerInput();
    EXPECT_FALSE(s.client.linkAlive());
    EXPECT_TRUE(
        holds(s.client.log().page().strings().texts, "Warning: connection to server stalled."));

    s.server.send("Mon Dec  7 18:00:00 2026\n");
    s.poll();
    EXPECT_TRUE(s.client.linkAlive());
}

TEST(ServerClient, SurvivesAHangUpAndStartsTheNextConnectionClean)
{
    Session s(kIccDialect);
    ASSERT_TRUE(s.connect());
    s.server.send("half a li");
    s.poll();
    s.server.hangUp();
    s.client.checkForServerInput();
    EXPECT_FALSE(s.client.linkAlive());
    EXPECT_TRUE(s.client.connected());
    EXPECT_TRUE(holds(s.client.log().page().strings().texts, "ERROR: SOCKET_ERROR, recvfrom"));

    // The server is gone: no signal ends the program, and no retry waits in vain; the lines
    // are lost with a log line.
    const std::int64_t before = s.waits.clock.ticks();
    for (int i = 0; i < 3; ++i) {
        s.client.sendTextFICS("say still there?");
    }
    EXPECT_EQ(s.waits.clock.ticks(), before);
    EXPECT_TRUE(mentions(s.client.log().page().strings().texts, "ERROR: sendTextFICS failed 2"));
    s.client.disconnectFromServer();
    EXPECT_FALSE(s.client.connected());
    EXPECT_EQ(s.recorder.disconnects, 1);

    ASSERT_TRUE(s.connect()); // the listener still listens
    s.server.send("ne\n");
    s.poll();
    EXPECT_EQ(s.recorder.received, std::vector<std::string> { "ne" });
}

namespace {

// A socket that takes at most `limit` bytes of its first send and then fails, to play a
// connection that stalls in the middle of a line.
class ChokingSocket final : public ServerSocket {
public:
    Status connect(std::string_view, int, int) override
    {
        m_open = true;
        return {};
    }
    bool isOpen() const override { return m_open; }
    Status send(std::string_view bytes, std::size_t& sent, int) override
    {
        calls.emplace_back(bytes);
        sent = std::min(bytes.size(), limit);
        limit = std::string::npos;
        if (sent < bytes.size()) {
            return Error { ErrorKind::Io, "stalled" };
        }
        return {};
    }
    ReceiveStatus receive(std::string&, std::size_t) override { return ReceiveStatus::Nothing; }
    void close() override { m_open = false; }

    std::size_t limit = std::string::npos;
    std::vector<std::string> calls;

private:
    bool m_open = false;
};

} // namespace

TEST(ServerClient, SendsTheRestOfAPartlySentLineAndBlanksControlCharacters)
{
    ServingWaits waits;
    ChokingSocket socket;
    Recorder recorder;
    ServerClient client(socket, waits.clock, waits, recorder);
    client.setDialect(kIccDialect);
    ASSERT_TRUE(client.connectToServer("ICC", 5026).ok());

    const std::string text = "tell Anna " + std::string(300, 'a');
    socket.limit = 100;
    // A line sent while the rest waits goes after it.
    waits.during = [&] { client.sendTextFICS("tell Anna hi\nresign\x7f"); };
    client.sendTextFICS(text);
    ASSERT_EQ(socket.calls.size(), 2u);
    EXPECT_EQ(socket.calls[0], text + "\n");
    EXPECT_EQ(socket.calls[1], text.substr(100) + "\ntell Anna hi resign \n");
    EXPECT_TRUE(client.linkAlive());
}

TEST(ServerLog, KeepsRecentLinesAndSavesThem)
{
    ServerLog log;
    log.logMessage(std::string(ServerLog::kCapacity, 'x')); // too long for the page
    for (int i = 0; i < 400; ++i) {
        log.logMessage("added move e4 to game " + std::to_string(i));
    }
    const std::string text = log.text();
    EXPECT_EQ(text.substr(text.size() - 12), "to game 399\n");
    EXPECT_EQ(text.find('x'), std::string::npos);
    EXPECT_LT(text.size(), ServerLog::kCapacity);
    TempFolder folder;
    ASSERT_TRUE(log.saveTo(folder.file("log.txt")).ok());
    EXPECT_EQ(TempFolder::read(folder.file("log.txt")), text);
}
