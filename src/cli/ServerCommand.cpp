// velmorak-cli server: a chess-server session at a terminal, through the program's own
// session object and game controller.
#include <atomic>
#include <cstdlib>
#include <ostream>
#include <string>

#include <unistd.h>

#include "CliArguments.h"
#include "CliCommand.h"
#include "CliHost.h"
#include "PlayOutput.h"
#include "ServerBoardView.h"
#include "ServerFrontEnd.h"
#include "ServerInput.h"
#include "ServerPrompts.h"
#include "app/Application.h"
#include "app/GameController.h"
#include "app/ServerSession.h"
#include "base/ProgramDirectory.h"
#include "base/TaskQueue.h"
#include "engine/OpeningBook.h"
#include "platform/ExitSignals.h"
#include "platform/PosixSocket.h"

namespace velmorak::cli {

namespace {

constexpr std::string_view kCommand = "server";
// The password of --user, kept out of the command line where every user of the machine
// could read it.
constexpr const char* kPasswordVariable = "VELMORAK_SERVER_PASSWORD";
// Room for a long tell; longer lines are cut.
constexpr std::size_t kMaxInputLine = 1000;

struct ServerOptions {
    int dialect = kFicsDialect;
    std::string host;
    std::optional<int> port;
    std::optional<std::string> user;
    std::optional<std::string> settings;
};

Result<ServerOptions> parseServerOptions(const CliArgs& args)
{
    auto bad = [](std::string message) { return Error { ErrorKind::InvalidInput, message }; };
    CliArguments parsed(args, "host port user settings", "icc guest");
    std::optional<long long> port = parsed.integer("port", 1, 65535);
    if (!parsed.error().empty())
        return bad(parsed.error());
    if (!parsed.positional().empty())
        return bad("unexpected argument '" + parsed.positional().front() +
            "'; commands are typed on standard input");
    for (std::string_view name : { "host", "user", "settings" })
        if (std::optional<std::string> value = parsed.value(name); value && value->empty())
            return bad("--" + std::string(name) + " needs a value");
    if (parsed.flag("guest") && parsed.value("user"))
        return bad("give either --guest or --user, not both");
    ServerOptions options;
    options.dialect = parsed.flag("icc") ? kIccDialect : kFicsDialect;
    options.host = parsed.value("host").value_or("");
    if (port)
        options.port = static_cast<int>(*port);
    options.user = parsed.value("user");
    options.settings = parsed.value("settings");
    return options;
}

int runServer(const CliArgs& args, std::ostream& out, std::ostream& err)
{
    Result<ServerOptions> parsed = parseServerOptions(args);
    if (!parsed)
        return usage(err, kCommand, parsed.error().message);
    const ServerOptions& options = *parsed;

    CliHost host(options.settings.value_or(defaultSettingsPath()));
    if (Status readable = host.store.checkReadable(); !readable)
        return usage(err, kCommand, readable.error().message);

    PlayOutput output(out);
    ServerBoardView board(output);
    ServerPrompts prompts(output);
    TaskQueue& queue = host.queue;
    Clock& clock = host.clock;
    Application app(host.services(prompts, board));
    // A server game needs no engine. The autosaved game is taken up as the window takes it
    // up, so that a session without a game of its own leaves the user's game as it was.
    StartRequest request;
    request.engineRequired = false;
    request.loadEngine = false;
    if (Status started = app.start(request); !started) {
        err << "velmorak-cli server: " << started.error().message << '\n';
        return kExitFailure;
    }
    GameController& controller = app.controller();
    board.watch(controller);

    // The login of this run (a name, a port, a password from the environment) is this
    // run's only: the stored login stays as the user left it.
    AppSettings& settings = app.options();
    const auto storedServers = settings.servers;
    const int storedServer = settings.server;

    ServerInput input(STDIN_FILENO, kMaxInputLine);
    PosixSocket socket(clock);
    ServerFrontEnd frontEnd(controller, output, board, input, queue, clock, err);
    bool loggedIn = false;
    std::atomic<int> endedBySignal { 0 };
    {
        ServerSession session(controller, settings, socket, clock, frontEnd, frontEnd);
        session.setProgramFolder(programDirectory());
        frontEnd.attach(session);
        prompts.setAsker([&frontEnd](std::string_view title, std::string_view text) {
            return frontEnd.ask(title, text);
        });
        session.selectDialect(options.dialect);
        const ServerLoginSettings& login =
            settings.servers[static_cast<std::size_t>(options.dialect)];
        if (options.user || options.port) {
            std::string handle = options.user.value_or(login.handle);
            std::string password = login.password;
            if (const char* variable = std::getenv(kPasswordVariable); variable && options.user)
                password = variable;
            session.storeLogin(options.port.value_or(login.port), handle, password);
            session.selectDialect(options.dialect);
        }

        // A terminated program still logs out, autosaves and writes its settings.
        ExitSignals signals([&queue, &frontEnd, &endedBySignal](int number) {
            endedBySignal.store(number);
            queue.post([&frontEnd] { frontEnd.stop(); });
        });
        if (!signals.start()) {
            err << "velmorak-cli server: cannot watch for signals\n";
        } else {
            loggedIn = frontEnd.run(!options.user.has_value(), options.host);
        }
        prompts.setAsker({});
    }
    settings.servers = storedServers;
    settings.server = storedServer;
    Status exited = app.exit();
    queue.close();
    // The shell's convention for a program ended by a signal.
    constexpr int kSignalExitBase = 128;
    if (int number = endedBySignal.load(); number != 0)
        return kSignalExitBase + number;
    if (!loggedIn) {
        err << "velmorak-cli server: no session with the server\n";
        return kExitFailure;
    }
    if (!exited) {
        err << "velmorak-cli server: " << exited.error().message << '\n';
        return kExitFailure;
    }
    return kExitOk;
}

const CliRegistration kReg({ "server",
    "velmorak-cli server [--host HOST] [--port PORT] [--icc] [--guest | --user NAME]\n"
    "                    [--settings FILE]\n"
    "    A session on an internet chess server (FICS unless --icc; the host and port of\n"
    "    the chosen server by default), as guest unless --user names a registered login,\n"
    "    whose password comes from $VELMORAK_SERVER_PASSWORD or the settings. Standard\n"
    "    input: /seek /unseek /sought /play N /match NAME /accept /decline /observe N\n"
    "    /unobserve /games /adjourned /history /who /resume /draw /resign /abort /adjourn\n"
    "    /flag /takeback /finger NAME /tell CHANNEL TEXT /reconnect /quit; a legal move\n"
    "    of the user's game on the user's turn (SAN or coordinates) is played, any other\n"
    "    line is sent to the server as typed. Standard output, one event a line: '< LINE'\n"
    "    received, '> LINE' sent (a password as asterisks), 'fen FEN', 'move SAN',\n"
    "    'message TITLE: TEXT', 'game started N', 'game ended RESULT [REASON]',\n"
    "    'list KIND COUNT' (seek, sought, observe, adjourned, history) with its\n"
    "    'entry FIELD|FIELD|...' lines. Questions wait for /accept or /decline. /quit or\n"
    "    the end of input logs out; exit status 1 when the connection or login failed.",
    &runServer });

} // namespace

} // namespace velmorak::cli
