// velmorak-cli dgt: a DGT electronic board followed at a terminal, through the program's own
// board link and game controller.
#include <atomic>
#include <ostream>
#include <string>

#include <unistd.h>

#include "CliArguments.h"
#include "CliCommand.h"
#include "CliFen.h"
#include "CliHost.h"
#include "DgtFrontEnd.h"
#include "PlayOutput.h"
#include "PlayPrompts.h"
#include "ServerInput.h"
#include "app/Application.h"
#include "app/DgtBoardLink.h"
#include "app/GameController.h"
#include "dgt/DgtDriver.h"
#include "platform/ExitSignals.h"
#include "platform/PosixSerialPort.h"
#include "record/CPgnGame.h"
#include "rules/PositionValidation.h"
#include "settings/AppSettings.h"
#include "settings/RegistrySettings.h"

namespace velmorak::cli {

namespace {

constexpr std::string_view kCommand = "dgt";
constexpr std::size_t kMaxInputLine = 200;

struct DgtOptions {
    std::optional<std::string> port;
    std::optional<std::string> fen;
    std::optional<std::string> settings;
};

Result<DgtOptions> parseDgtOptions(const CliArgs& args)
{
    auto bad = [](std::string message) { return Error { ErrorKind::InvalidInput, message }; };
    CliArguments parsed(args, "port fen settings", "");
    if (!parsed.error().empty())
        return bad(parsed.error());
    if (!parsed.positional().empty())
        return bad("unexpected argument '" + parsed.positional().front() + "'");
    for (std::string_view name : { "port", "fen", "settings" })
        if (std::optional<std::string> value = parsed.value(name); value && value->empty())
            return bad("--" + std::string(name) + " needs a value");
    DgtOptions options;
    options.port = parsed.value("port");
    options.fen = parsed.value("fen");
    options.settings = parsed.value("settings");
    if (options.fen) {
        if (!looksLikeFen(*options.fen))
            return bad(notAFenMessage(*options.fen));
        Board board(*options.fen);
        if (PositionFault fault = firstPositionFault(board); fault != PositionFault::None)
            return bad("the position of --fen cannot start a game: " +
                std::string(positionFaultText(fault)));
    }
    return options;
}

int runDgt(const CliArgs& args, std::ostream& out, std::ostream& err)
{
    Result<DgtOptions> parsed = parseDgtOptions(args);
    if (!parsed)
        return usage(err, kCommand, parsed.error().message);
    const DgtOptions& options = *parsed;

    CliHost host(options.settings.value_or(defaultSettingsPath()));
    if (Status readable = host.store.checkReadable(); !readable)
        return usage(err, kCommand, readable.error().message);
    // The engine answers a move from the board only under "Autoanswer", and is loaded only
    // then: without it no plug-in is needed.
    bool autoAnswer = false;
    {
        RegistrySettings stored(host.store);
        AppSettings peek;
        peek.load(stored);
        autoAnswer = peek.autoAnswer;
    }

    PlayOutput output(out);
    PlayPrompts prompts(output);
    TaskQueue& queue = host.queue;
    Clock& clock = host.clock;
    DgtFrontEnd frontEnd(output, queue, clock, err);
    Application app(host.services(prompts, frontEnd));
    StartRequest request;
    request.engineRequired = autoAnswer;
    request.loadEngine = autoAnswer;
    if (Status started = app.start(request); !started) {
        err << "velmorak-cli dgt: " << started.error().message << '\n';
        return kExitFailure;
    }
    GameController& controller = app.controller();
    if (options.fen)
        controller.setGame(gameFromFen(*options.fen));

    std::optional<std::string> port = options.port ? options.port : app.dgtPortPath();
    if (!port) {
        (void)app.exit();
        queue.close();
        return usage(err, kCommand, "no DGT port is chosen in the options: give --port PATH");
    }

    PosixSerialPort serial;
    DgtDriver driver(serial, clock);
    bool connected = false;
    std::atomic<int> endedBySignal { 0 };
    {
        DgtBoardLink link(controller, driver, clock, host.uiThread, frontEnd);
        frontEnd.attach(controller, link);
        connected = link.connect(*port);
        if (connected) {
            ServerInput input(STDIN_FILENO, kMaxInputLine);
            // A terminated program still autosaves and writes its settings.
            ExitSignals signals([&queue, &frontEnd, &endedBySignal](int number) {
                endedBySignal.store(number);
                queue.post([&frontEnd] { frontEnd.stop(); });
            });
            if (!signals.start())
                err << "velmorak-cli dgt: cannot watch for signals\n";
            else
                frontEnd.run(input);
        }
    }
    Status exited = app.exit();
    queue.close();
    if (!connected) {
        err << "velmorak-cli dgt: no DGT board answers on " << *port << '\n';
        return kExitFailure;
    }
    CPgnGame& game = controller.game();
    game.setFormat(kFilePgnFormat);
    output.block(game.toString());
    // The shell's convention for a program ended by a signal.
    constexpr int kSignalExitBase = 128;
    if (int number = endedBySignal.load(); number != 0)
        return kSignalExitBase + number;
    if (!exited) {
        err << "velmorak-cli dgt: " << exited.error().message << '\n';
        return kExitFailure;
    }
    return kExitOk;
}

const CliRegistration kReg({ "dgt",
    "velmorak-cli dgt [--port PATH] [--fen FEN] [--settings FILE]\n"
    "    Follows a DGT electronic board on its serial port (the one chosen in the options,\n"
    "    or PATH) with the program's own game controller: moves made on the board enter the\n"
    "    game, its gestures start new games, take moves back, set up positions and ask the\n"
    "    engine to move (the engine answers only when \"Autoanswer\" is on). Standard\n"
    "    output, one event a line: 'fen FEN' for every position of the game, 'move SAN'\n"
    "    for every move made on the board, 'event NAME' for every event of the board,\n"
    "    'clock WHITE BLACK' when the clock's texts change, 'message TITLE: TEXT'; then the\n"
    "    game in PGN. Standard input: quit, turn (the board stands the other way round),\n"
    "    cancel (leaves a set-up). Exit status 1 when no board answers on the port.",
    &runDgt });

} // namespace

} // namespace velmorak::cli
