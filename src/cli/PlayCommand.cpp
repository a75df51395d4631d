// velmorak-cli play: a text game through the game controller, its engine thread and level.
#include <memory>
#include <ostream>
#include <string>

#include <unistd.h>

#include "CliCommand.h"
#include "PlayInputReader.h"
#include "PlayOptions.h"
#include "PlayOutput.h"
#include "PlayPrompts.h"
#include "PlaySession.h"
#include "PlayView.h"
#include "app/GameController.h"
#include "app/TaskQueueUiThread.h"
#include "app/TypedInput.h"
#include "base/ProgramDirectory.h"
#include "base/TaskQueue.h"
#include "engine/EnginePluginHost.h"
#include "engine/HashSize.h"
#include "engine/OpeningBook.h"
#include "platform/SettingsFileStore.h"
#include "platform/SystemTagSources.h"
#include "record/CDatabase.h"
#include "record/CPgnParser.h"
#include "record/PgnInput.h"
#include "sound/MoveSounds.h"
#include "sound/SoundOutput.h"

namespace velmorak::cli {

namespace {

constexpr std::string_view kCommand = "play";

// A game that starts from a set-up position, numbered from the position's move number as
// the PGN reader numbers it.
std::unique_ptr<CPgnGame> gameFromFen(const std::string& fen)
{
    Board board(fen);
    auto game = std::make_unique<CPgnGame>();
    game->setTag("SetUp", "1");
    game->setTag("FEN", board.fen());
    int ply = 2 * (std::max(board.moveNumber(), 1) - 1) - 1;
    if (board.sideToMove() == kBlackSide)
        ++ply;
    game->root()->setPly(ply);
    return game;
}

Result<std::unique_ptr<CPgnGame>> firstGameOf(const std::string& path)
{
    PgnInput input;
    if (!input.openFile(path))
        return Error { ErrorKind::NotFound, "cannot open " + path };
    CPgnParser parser;
    std::int64_t end = 0;
    std::unique_ptr<CPgnGame> game;
    if (!parser.readGame(input, 0, end, game) || !game) {
        const PgnReadError& error = parser.lastError();
        return Error { ErrorKind::InvalidInput,
            "no game could be read from " + path + ": " + error.reason +
                (error.text.empty() ? "" : " '" + error.text + "'") + " at offset " +
                std::to_string(error.offset) };
    }
    return game;
}

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
        Result<std::unique_ptr<CPgnGame>> game = firstGameOf(*options.pgn);
        if (!game)
            return usage(err, kCommand, game.error().message);
        startGame = std::move(game.value());
    } else if (options.fen) {
        startGame = gameFromFen(*options.fen);
    }

    const std::string settingsPath = options.settings.value_or(defaultSettingsPath());
    SettingsFileStore store(settingsPath);
    if (Status readable = store.checkReadable(); !readable)
        return usage(err, kCommand, readable.error().message);
    // The autosave thread's own view of the same file; the file's lock keeps the two apart.
    SettingsFileStore autosaveStore(settingsPath);
    RegistrySettings settings(store);
    AppSettings appOptions;
    appOptions.load(settings);
    // Whether the engine answers the user follows from the sides, not from the settings,
    // which this command does not write back.
    appOptions.autoAnswer = options.white == PlaySide::Engine || options.black == PlaySide::Engine;

    PlayOutput output(out);
    PlayView view(output);
    PlayPrompts prompts(output);
    TaskQueue queue;
    TaskQueueUiThread uiThread(queue);
    SilentSoundOutput silence;
    MoveSounds sounds(silence, programDirectory() + "/announce");
    SystemTagSources tagSources;
    EnginePluginHost host(
        {}, [&output](const std::string& text) { output.line("message", "Velmorak: " + text); });

    bool needsEngine = options.white == PlaySide::Engine || options.black == PlaySide::Engine;
    bool loaded = host.load(options.engine);
    if (loaded && !options.engine.empty() && host.engineName() != options.engine)
        return usage(err, kCommand,
            "no engine plug-in named '" + options.engine + "' in " + host.folder() +
                " (velmorak-cli engine list names them)");
    if (!loaded && needsEngine) {
        err << "velmorak-cli play: no engine plug-in loaded from " << host.folder() << '\n';
        return kExitFailure;
    }

    Clock& clock = systemClock();
    GameController controller(ControllerServices { prompts, view, uiThread, clock, store, settings,
        appOptions, sounds, tagSources, documentsDirectory(), autosaveStore,
        [] { return availablePhysicalMemoryKb(); } });
    controller.loadLevel();
    if (options.level)
        controller.applyLevel(parseLevelSpec(*options.level, controller.level()).value());
    PlaySession session(controller, queue, output, clock, options.white, options.black);
    // The host outlives the controller and the session: on every way out its hooks, which
    // call them, are cleared first.
    struct HostHooks {
        EnginePluginHost& host;
        ~HostHooks()
        {
            host.output().setChangedHook({});
            host.setBeforeUnload({});
        }
    } hostHooks { host };
    if (loaded) {
        controller.setEngineHost(&host);
        session.watchEngine(host.output());
        if (!controller.startEngineThread() && needsEngine)
            return kExitFailure;
    }

    if (options.restore) {
        if (!controller.restoreAutosave())
            output.line("message", "Velmorak: no autosaved game to restore; a new game starts");
    } else if (startGame) {
        controller.setGame(std::move(startGame));
    }

    PlayInputReader reader(
        STDIN_FILENO, kMaxTypedLineLength,
        [&queue, &session](std::string line) {
            queue.post(
                [&session, line = std::move(line)]() mutable { session.addLine(std::move(line)); });
        },
        [&queue, &session] { queue.post([&session] { session.endInput(); }); });
    if (!reader.start()) {
        err << "velmorak-cli play: cannot read standard input\n";
        return kExitFailure;
    }
    session.run();
    reader.stop();

    controller.exit();
    controller.waitForAutosave();
    queue.close();
    CPgnGame& game = controller.game();
    game.setFormat(kFilePgnFormat);
    output.block(game.toString());
    if (options.save) {
        if (Status saved = saveGame(*options.save, game); !saved) {
            err << "velmorak-cli play: " << saved.error().message << '\n';
            return kExitFailure;
        }
    }
    return kExitOk;
}

const CliRegistration kReg({ "play",
    "velmorak-cli play [--white human|engine] [--black human|engine] [--level SPEC]\n"
    "                  [--engine NAME] [--fen FEN | --pgn FILE | --restore] [--save FILE]\n"
    "                  [--settings FILE]\n"
    "    A game through the program's game controller. Standard input: one move (SAN or\n"
    "    coordinates) or command a line: back forward start end new movenow analyse replay\n"
    "    'level SPEC' board pgn quit. Standard output, one event a line: 'fen FEN',\n"
    "    'move SAN', 'message TITLE: TEXT' (questions take their default answer),\n"
    "    'clock WHITE BLACK' each second while a clock runs, 'info ...' engine reports.\n"
    "    At quit or the end of input (two engine sides: the end of the game) the game is\n"
    "    printed as PGN. SPEC: depth:N, movetime:SECONDS, blitz:MINUTES+INCREMENT,\n"
    "    tournament:MOVES/MINUTES[,MOVES/MINUTES[,MINUTES]] or infinite. Defaults: white\n"
    "    human, black engine, the stored level, the usual settings file.",
    &runPlay });

} // namespace

} // namespace velmorak::cli
