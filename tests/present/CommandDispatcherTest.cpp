// The command dispatcher against the controller: one row per typed word and per command of
// the menus, run for the window's and the terminal's front end where they differ.
#include "present/CommandDispatcher.h"

#include <map>
#include <optional>
#include <set>

#include <gtest/gtest.h>

#include "present/CommandTable.h"
#include "present/ScreenView.h"
#include "present/TypedInput.h"
#include "present/WindowChrome.h"
#include "record/CGameNode.h"
#include "support/ControllerHarness.h"
#include "support/RecordingBoardSurface.h"

namespace velmorak::test {
namespace {

using enum FrontEndRequest;

constexpr const char* kNoEngine = "Velmorak: No engine loaded. Can´t start search";

// Serves the requests of its set and records them.
struct RecordingFrontEnd final : FrontEndPort {
    explicit RecordingFrontEnd(
        std::set<FrontEndRequest> set, std::optional<std::string> text = std::nullopt)
        : serves(std::move(set))
        , clipboard(std::move(text))
    {
    }
    bool serve(FrontEndRequest request) override
    {
        if (!serves.contains(request))
            return false;
        served.push_back(request);
        return true;
    }
    bool copyText(std::string_view text) override
    {
        if (!clipboard)
            return false;
        clipboard = std::string(text);
        return true;
    }
    std::optional<std::string> pastedText() override { return clipboard; }
    std::set<FrontEndRequest> serves;
    std::vector<FrontEndRequest> served;
    // The window's clipboard; the terminal has none.
    std::optional<std::string> clipboard;
};

// Keeps the last state shown for each command.
struct RecordingChrome final : WindowChrome {
    void setTitle(std::string_view) override { }
    void showCommandState(int command, bool enabled, bool checked) override
    {
        shown[command] = { enabled, checked };
    }
    void layoutButtonsChanged() override { }
    void statusChanged() override { }
    void positionChanged(std::string_view) override { }
    std::map<int, std::pair<bool, bool>> shown;
};

// The window: a board on a screen; it has no text board and ends by its Exit command only.
const std::set<FrontEndRequest> kWindowServes { Exit, ShowGame, ShowStatus, ToggleLayout, About,
    Help, Levels, SelectBook, SetupBoard };
// `velmorak-cli play`: no layout, no dialogs.
const std::set<FrontEndRequest> kTerminalServes { Exit, QuitInput, ShowBoard, ShowGame,
    ShowStatus };

// Two players, no engine, at 1. e4 e5 with 2. Nf3 Nc6 still ahead.
struct Game : ControllerHarness {
    Game()
        : ControllerHarness(std::nullopt)
    {
        options.autoAnswer = false;
        for (const char* move : { "e4", "e5", "Nf3", "Nc6" })
            EXPECT_TRUE(play(move)) << move;
        controller->takeBackPlies(2);
        prompts.shown.clear();
    }

    // Where the game stands and which modes are on: "e4 e5 Nf3 | replay coach depth:3".
    std::string summary(const RecordingChrome* chrome)
    {
        std::string path;
        for (const CGameNode* node = controller->currentNode(); node && node->parent();
             node = node->parent())
            path = node->san() + (path.empty() ? "" : " ") + path;
        const ControllerState& s = controller->state();
        std::string modes;
        auto mode = [&](bool on, std::string_view name) {
            if (on)
                modes.append(" ").append(name);
        };
        mode(s.analysisMode, "analysis");
        mode(s.autoReplay, "replay");
        mode(s.trainingMode, "training");
        mode(options.coach, "coach");
        mode(controller->level().mode == kFixedLevel,
            "depth:" + std::to_string(controller->level().fixedPlies));
        mode(chrome && chrome->shown.at(cmd::kFlipBoard).second, "flipped");
        return path + " |" + modes;
    }
};

struct Outcome {
    std::string after;
    std::vector<std::string> messages {};
    std::vector<FrontEndRequest> served {};
};

struct Row {
    const char* name;
    // A typed line, or else a command id.
    const char* line;
    int command;
    Outcome terminal;
    // Where the window's outcome differs.
    std::optional<Outcome> window {};
};

Outcome run(const Row& row, bool window)
{
    Game game;
    RecordingFrontEnd frontEnd(window ? kWindowServes : kTerminalServes);
    RecordingChrome chrome;
    RecordingBoardSurface surface(game.clock);
    ScreenView screen(chrome, game.sounds, game.clock);
    if (window) {
        screen.attach(*game.controller, surface);
        surface.view = &screen.board();
        screen.refreshCommands();
    }
    CommandDispatcher dispatcher(
        *game.controller, game.prompts, frontEnd, window ? &screen : nullptr);
    if (row.line) {
        Board board = game.controller->board();
        Result<TypedLine> typed = readTypedLine(board, row.line);
        EXPECT_TRUE(typed) << row.line;
        if (typed)
            dispatcher.runTyped(*typed);
    } else {
        dispatcher.runCommand(row.command);
    }
    return { game.summary(window ? &chrome : nullptr), game.prompts.shown, frontEnd.served };
}

TEST(CommandDispatcher, WordsAndCommandsOfBothFrontEnds)
{
    const Row rows[] = {
        { "a move", "Nf3", 0, { "e4 e5 Nf3 |" } },
        { "back", "back", 0, { "e4 |" } },
        { "forward", "forward", 0, { "e4 e5 Nf3 |" } },
        { "start", "start", 0, { " |" } },
        { "end", "end", 0, { "e4 e5 Nf3 Nc6 |" } },
        { "new", "new", 0, { " |", { "Velmorak: Do you really want a new game?" } } },
        { "movenow", "movenow", 0, { "e4 e5 |", { kNoEngine } } },
        { "analyse", "analyse", 0, { "e4 e5 | analysis", { kNoEngine } } },
        { "replay", "replay", 0, { "e4 e5 | replay" } },
        { "hint", "hint", 0, { "e4 e5 |", { kNoEngine } } },
        { "threat", "threat", 0, { "e4 e5 |", { kNoEngine } } },
        { "level", "level depth:3", 0, { "e4 e5 | depth:3" } },
        { "level unreadable", "level depth:x", 0,
            { "e4 e5 |",
                { "Velmorak: bad level \"depth:x\": the depth must be a whole number, not "
                  "\"x\"; expected depth:N with N from 1 to 60 half-moves" } } },
        { "coach on", "coach on", 0, { "e4 e5 | coach" } },
        { "train", "train", 0,
            { " | training", { "Training: Loading training-positions from vmtactics.pgn!" } } },
        { "board", "board", 0, { "e4 e5 |", {}, { ShowBoard } },
            Outcome { "e4 e5 |", { "Velmorak: 'board' is not available here" } } },
        { "pgn", "pgn", 0, { "e4 e5 |", {}, { ShowGame } } },
        { "status", "status", 0, { "e4 e5 |", {}, { ShowStatus } } },
        { "quit", "quit", 0, { "e4 e5 |", {}, { QuitInput } },
            Outcome { "e4 e5 |", { "Velmorak: 'quit' is not available here" } } },
        { "Flip board", nullptr, cmd::kFlipBoard,
            { "e4 e5 |", { "Velmorak: 'Flip board' is not available here" } },
            Outcome { "e4 e5 | flipped" } },
        { "Toggle layout", nullptr, cmd::kToggleLayout,
            { "e4 e5 |", { "Velmorak: 'Toggle layout' is not available here" } },
            Outcome { "e4 e5 |", {}, { ToggleLayout } } },
        { "Exit", nullptr, cmd::kExit, { "e4 e5 |", {}, { Exit } } },
        { "About", nullptr, cmd::kAbout,
            { "e4 e5 |", { "Velmorak: 'About...' is not available here" } },
            Outcome { "e4 e5 |", {}, { About } } },
        { "Levels", nullptr, cmd::kLevels,
            { "e4 e5 |", { "Velmorak: 'Levels...' is not available here" } },
            Outcome { "e4 e5 |", {}, { Levels } } },
        { "Select book", nullptr, cmd::kSelectBook,
            { "e4 e5 |", { "Velmorak: 'Select book...' is not available here" } },
            Outcome { "e4 e5 |", {}, { SelectBook } } },
        { "a menu's command by its word", "flip", 0,
            { "e4 e5 |", { "Velmorak: 'Flip board' is not available here" } },
            Outcome { "e4 e5 | flipped" } },
        { "the word of a command not built yet", "load", 0,
            { "e4 e5 |", { "Velmorak: 'Load game...' is not available here" } } },
        { "Setup board", nullptr, cmd::kSetupBoard,
            { "e4 e5 |", { "Velmorak: 'Setup board...' is not available here" } },
            Outcome { "e4 e5 |", {}, { SetupBoard } } },
        { "Paste without a clipboard", nullptr, cmd::kPaste,
            { "e4 e5 |", { "Velmorak: 'Paste' is not available here" } } },
        { "an id without a command", nullptr, cmd::kUnboundOpenKey, { "e4 e5 |" } },
        { "layout button: new game", nullptr, kFirstLayoutButton,
            { " |", { "Velmorak: Do you really want a new game?" } } },
        { "layout button: back to the branch point", nullptr, kFirstLayoutButton + 7, { " |" } },
    };
    for (const Row& row : rows) {
        for (bool window : { false, true }) {
            const Outcome got = run(row, window);
            const Outcome& want = window && row.window ? *row.window : row.terminal;
            const std::string where = std::string(row.name) + (window ? " (window)" : "");
            EXPECT_EQ(got.after, want.after) << where;
            EXPECT_EQ(got.messages, want.messages) << where;
            EXPECT_EQ(got.served, want.served) << where;
        }
    }
}

TEST(CommandDispatcher, HelpEndsAReplayAndMessagesHoldTheEngineBack)
{
    Game game;
    RecordingFrontEnd frontEnd(kWindowServes);
    CommandDispatcher dispatcher(*game.controller, game.prompts, frontEnd);
    dispatcher.runCommand(cmd::kReplayMoves);
    ASSERT_TRUE(game.controller->state().autoReplay);
    dispatcher.runCommand(cmd::kHelp);
    EXPECT_FALSE(game.controller->state().autoReplay) << "the manual is read at leisure";
    EXPECT_EQ(frontEnd.served, std::vector { Help });

    int openWhileShown = 0;
    game.prompts.whileOpen = [&] { openWhileShown = game.controller->state().modalMessageOpen; };
    dispatcher.runTyped({ TypedCommand::Board, NoMove, {} });
    EXPECT_EQ(openWhileShown, 1);
    EXPECT_EQ(game.controller->state().modalMessageOpen, 0);
}

TEST(CommandDispatcher, ServerCommandsAskTheFrontEndForTheirDialogAndPage)
{
    Game game;
    RecordingFrontEnd frontEnd({ ServerLogin, ServerSeekPage, ServerObservePage, ServerResign });
    CommandDispatcher dispatcher(*game.controller, game.prompts, frontEnd);
    game.controller->setServerConnected(true);
    // Connected, the layout buttons 2 and 3 are "Seek game" and "Observe game": one command
    // with the page as its mode.
    for (int id : { cmd::kLoginLogout, kFirstLayoutButton + 1, kFirstLayoutButton + 2,
             kFirstLayoutButton + 5 })
        dispatcher.runCommand(id);
    EXPECT_EQ(frontEnd.served,
        (std::vector { ServerLogin, ServerSeekPage, ServerObservePage, ServerResign }));
    EXPECT_TRUE(game.prompts.shown.empty());
}

TEST(CommandDispatcher, CopiesAndPastesGamesAndPositions)
{
    Game game;
    RecordingFrontEnd frontEnd(kWindowServes);
    frontEnd.clipboard = "";
    CommandDispatcher dispatcher(*game.controller, game.prompts, frontEnd);
    dispatcher.runCommand(cmd::kCopyPosition);
    const std::string position = *frontEnd.clipboard;
    EXPECT_EQ(position, game.controller->board().fen());
    dispatcher.runCommand(cmd::kCopyGame);
    const std::string pgn = *frontEnd.clipboard;

    struct PasteRow {
        const char* name;
        std::string text;
        std::string after;
        std::vector<std::string> messages {};
    };
    const PasteRow rows[] = {
        { "the game copied comes back whole", pgn, "e4 e5 Nf3 Nc6 |" },
        { "the position copied starts a game", position, " |" },
        { "neither", "hello world", "e4 e5 |",
            { "Velmorak: Nothing to paste: the text is neither a game in PGN nor a position in "
              "FEN (illegal or unreadable move 'hello')" } },
        { "a position no game starts from", "8/8/8/8/8/8/8/8 w - - 0 1", "e4 e5 |",
            { "Velmorak: Nothing to paste: the set-up position cannot start a game: each side "
              "needs exactly one king" } },
    };
    for (const PasteRow& row : rows) {
        SCOPED_TRACE(row.name);
        Game fresh;
        RecordingFrontEnd clipboard(kWindowServes, row.text);
        CommandDispatcher paste(*fresh.controller, fresh.prompts, clipboard);
        paste.runCommand(cmd::kPaste);
        EXPECT_EQ(fresh.summary(nullptr), row.after);
        EXPECT_EQ(fresh.prompts.shown, row.messages);
        if (row.text == position) {
            EXPECT_EQ(fresh.controller->board().fen(), position);
        }
    }
}

} // namespace
} // namespace velmorak::test
