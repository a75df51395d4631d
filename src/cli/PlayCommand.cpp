// velmorak-cli play: a text game through the game controller, its engine thread and level.
#include <atomic>
#include <memory>
#include <ostream>
#include <string>

#include <unistd.h>

#include "CliCommand.h"
#include "CliHost.h"
#include "PlayInputReader.h"
#include "PlayOptions.h"
#include "PlayOutput.h"
#include "PlayPrompts.h"
#include "PlaySession.h"
#include "PlayView.h"
#include "app/Application.h"
#include "app/GameController.h"
#include "base/ProgramDirectory.h"
#include "base/TaskQueue.h"
#include "engine/EnginePluginHost.h"
#include "engine/OpeningBook.h"
#include "platform/ExitSignals.h"
#include "present/TypedInput.h"
#include "record/CDatabase.h"
#include "record/CPgnParser.h"
#include "record/FenGame.h"
#include "record/FirstGame.h"

namespace velmorak::cli {

namespace {

constexpr std::string_view kCommand = "play";

Status saveGame(const std::string& path, CPgnGame& game)
{
    CPgnParser parser;
    CDatabase database(parser);
    game.setFormat(kFilePgnFormat);
    if (database.append(path, game))
        return {};
    int code = 0;
    std::string message;
    database.getError(code, message);
    return Error { ErrorKind::Io, "cannot save the game to " + path + ": " + message };
}

int runPlay(const CliArgs& args, std::ostream& out, std::ostream& err)
{
    Result<PlayOptions> parsed = parsePlayOptions(args);
    if (!parsed)
        return usage(err, kCommand, parsed.error().message);
    const PlayOptions& options = *parsed;
    std::unique_ptr<CPgnGame> startGame;
    if (options.pgn) {
        Result<std::unique_ptr<CPgnGame>> game = readFirstGame(*options.pgn);
        if (!game)
            return usage(err, kCommand, game.error().message);
        startGame = std::move(game.value());
    } else if (options.fen) {
        startGame = gameFromFen(*options.fen);
    }

    CliHost host(options.settings.value_or(defaultSettingsPath()));
    if (Status readable = host.store.checkReadable(); !readable)
        return usage(err, kCommand, readable.error().message);

    PlayOutput output(out);
    PlayView view(output);
    PlayPrompts prompts(output);
    TaskQueue& queue = host.queue;
    Clock& clock = host.clock;
    // The session prints the clocks itself: the application's timers stay unarmed.
    Application app(host.services(prompts, view));

    bool needsEngine = options.white == PlaySide::Engine || options.black == PlaySide::Engine;
    StartRequest request;
    if (!options.engine.empty())
        request.engine = options.engine;
    request.engineRequired = needsEngine;
    request.restoreAutosave = options.restore;
    if (Status started = app.start(request); !started) {
        if (started.error().kind == ErrorKind::NotFound)
            return usage(
                err, kCommand, started.error().message + " (velmorak-cli engine list names them)");
        err << "velmorak-cli play: " << started.error().message << '\n';
        return kExitFailure;
    }
    GameController& controller = app.controller();
    if (options.level)
        controller.applyLevel(parseLevelSpec(*options.level, controller.level()).value());
    if (options.restore) {
        if (!app.restoredAutosave())
            output.line("message", "Velmorak: no autosaved game to restore; a new game starts");
    } else if (startGame) {
        controller.setGame(std::move(startGame));
        // --pgn continues the game where its moves end, whether it starts from the standard
        // position or a set-up one (the window opens a set-up game at its start instead).
        CGameNode* end = controller.game().root()->endOfMainLine();
        if (options.pgn && controller.currentNode() != end)
            controller.gotoNode(end);
    }

    PlaySession session(controller, prompts, queue, output, clock, options.white, options.black);
    // What this run changes only for itself is undone before the settings are written, and
    // the engine's reports stop reaching the session before it goes; on every way out.
    struct RunScope {
        Application& app;
        bool storedAutoAnswer;
        bool storedPondering;
        void end()
        {
            app.host().output().setChangedHook({});
            app.options().autoAnswer = storedAutoAnswer;
            app.options().pondering = storedPondering;
        }
        ~RunScope() { end(); }
    } scope { app, app.options().autoAnswer, app.options().pondering };
    // Whether the engine answers the user follows from the sides, not from the settings;
    // an engine playing both sides has nobody's time to think in.
    app.options().autoAnswer = needsEngine;
    if (options.white == PlaySide::Engine && options.black == PlaySide::Engine)
        app.options().pondering = false;
    if (app.hasEngine())
        session.watchEngine(app.host().output());

    PlayInputReader reader(
        STDIN_FILENO, kMaxTypedLineLength,
        [&queue, &session](std::string line) {
            queue.post(
                [&session, line = std::move(line)]() mutable { session.addLine(std::move(line)); });
        },
        [&queue, &session] { queue.post([&session] { session.endInput(); }); });
    session.setLineTakenHook([&reader] { reader.lineTaken(); });
    // A terminated program still stops its engine, autosaves and writes its settings.
    std::atomic<int> endedBySignal { 0 };
    ExitSignals signals([&queue, &session, &endedBySignal](int number) {
        endedBySignal.store(number);
        queue.post([&session] { session.stop(); });
    });
    if (!reader.start() || !signals.start()) {
        err << "velmorak-cli play: cannot read standard input\n";
        return kExitFailure;
    }
    session.run();
    reader.stop();

    scope.end();
    Status exited = app.exit();
    queue.close();
    CPgnGame& game = controller.game();
    game.setFormat(kFilePgnFormat);
    output.block(game.toString());
    int code = kExitOk;
    if (options.save) {
        if (Status saved = saveGame(*options.save, game); !saved) {
            err << "velmorak-cli play: " << saved.error().message << '\n';
            code = kExitFailure;
        }
    }
    if (!exited) {
        err << "velmorak-cli play: " << exited.error().message << '\n';
        code = kExitFailure;
    }
    // The shell's convention for a program ended by a signal.
    constexpr int kSignalExitBase = 128;
    if (int number = endedBySignal.load(); number != 0)
        return kSignalExitBase + number;
    return code;
}

const CliRegistration kReg({ "play",
    "velmorak-cli play [--white human|engine] [--black human|engine] [--level SPEC]\n"
    "                  [--engine NAME] [--fen FEN | --pgn FILE | --restore] [--save FILE]\n"
    "                  [--settings FILE]\n"
    "    A game through the program's game controller. Standard input: one move (SAN or\n"
    "    coordinates) or command a line: back forward start end new movenow analyse replay\n"
    "    'level SPEC' board pgn quit hint threat status 'coach on|off' 'train [FILE]'.\n"
    "    Standard output, one event a line: 'fen FEN', 'move SAN', 'message TITLE: TEXT'\n"
    "    (questions take their default answer), 'clock WHITE BLACK' (MM:SS, H:MM:SS from\n"
    "    an hour on) each second while a clock runs, 'info ...' engine reports, 'hint SAN'\n"
    "    and 'threat SAN' (shown, never played), 'status LINE1 | LINE2' (after 'status',\n"
    "    again as the search goes on). --pgn continues the file's first game where its\n"
    "    moves end.\n"
    "    At quit (a search on its way is given up) or the end of input (an engine move\n"
    "    that is due still comes; two engine sides: the end of the game) the game is\n"
    "    printed as PGN and the settings this run changed, the level included, are written\n"
    "    back; SIGTERM, SIGINT, SIGHUP and a reader of the output that goes away end the\n"
    "    same way. Exit status 1 when the last autosave failed. SPEC: depth:N,\n"
    "    movetime:SECONDS, blitz:MINUTES+INCREMENT,\n"
    "    tournament:MOVES/MINUTES[,MOVES/MINUTES[,MINUTES]] or infinite. Defaults: white\n"
    "    human, black engine, the stored level, the usual settings file.",
    &runPlay });

} // namespace

} // namespace velmorak::cli
