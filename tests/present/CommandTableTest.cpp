#include "present/CommandTable.h"

#include <algorithm>
#include <limits>
#include <set>
#include <string>

#include <gtest/gtest.h>

#include "support/TempFolder.h"

using namespace velmorak;

namespace {

void expectKnown(int command, std::string_view where)
{
    EXPECT_NE(findCommand(command), nullptr) << where << " names unknown command " << command;
}

void expectMenuKnown(std::span<const MenuItem> items, std::string_view menu)
{
    for (const MenuItem& entry : items) {
        if (entry.kind == MenuItemKind::Command)
            expectKnown(entry.command, entry.text);
        EXPECT_EQ(entry.kind == MenuItemKind::Submenu, !entry.children.empty()) << menu;
        expectMenuKnown(entry.children, entry.text);
    }
}

TEST(CommandTable, HasEveryIdOnceAndEverySourceReachesIt)
{
    std::set<int> ids;
    for (const CommandEntry& entry : commandTable()) {
        EXPECT_TRUE(ids.insert(entry.id).second) << "twice: " << entry.id;
        EXPECT_EQ(findCommand(entry.id), &entry);
    }
    EXPECT_EQ(ids.size(), 62u);
    for (const MenuButton& button : menuBar())
        expectMenuKnown(button.items, button.caption);
    for (const CommandBarButton& button : commandBarButtons())
        expectKnown(button.command, button.tooltip);
    for (bool connected : { false, true })
        for (int button = kFirstLayoutButton; button < kFirstLayoutButton + kLayoutButtonCount;
             ++button)
            expectKnown(layoutButtonAction(button, connected)->command, "layout button");
    for (const Accelerator& key : accelerators())
        if (key.letter != 'O')
            expectKnown(key.command, "accelerator");
}

bool inMenu(std::span<const MenuItem> items, int command)
{
    return std::ranges::any_of(items, [&](const MenuItem& entry) {
        return entry.command == command || inMenu(entry.children, command);
    });
}

TEST(CommandTable, EachKeyIsOnceInTheManualAndCtrlKeysInTheMenus)
{
    const std::string manual = TempFolder::read(VELMORAK_SOURCE_DIR "/data/manual/Velmorak.htm");
    std::set<std::pair<AcceleratorKey, char>> keys;
    for (const Accelerator& key : accelerators()) {
        EXPECT_TRUE(keys.insert({ key.key, key.letter }).second) << "twice: " << key.letter;
        const CommandEntry* entry = findCommand(key.command);
        if (!entry || (key.key != AcceleratorKey::Letter && key.key != AcceleratorKey::ShiftLetter))
            continue;
        const std::string shown = std::string("<kbd>Ctrl+") +
            (key.key == AcceleratorKey::ShiftLetter ? "Shift+" : "") + key.letter + "</kbd>";
        EXPECT_NE(manual.find(shown), std::string::npos) << shown;
        EXPECT_TRUE(std::ranges::any_of(menuBar(), [&](const MenuButton& button) {
            return inMenu(button.items, key.command);
        })) << entry->name;
    }
}

TEST(CommandTable, UnboundIdsAndKeysDoNothing)
{
    EXPECT_EQ(findCommand(cmd::kUnboundOpenKey), nullptr) << "Ctrl+O must do nothing";
    EXPECT_EQ(findCommand(389), nullptr);
    EXPECT_EQ(findCommand(40088), nullptr);
    EXPECT_FALSE(layoutButtonAction(399, false));
    EXPECT_FALSE(layoutButtonAction(389, true));
    EXPECT_FALSE(layoutButtonAction(std::numeric_limits<int>::min(), false));
}

TEST(CommandTable, ShownTooltipsDropOnlyTheLeadingMarks)
{
    EXPECT_EQ(shownTooltip(layoutButtonAction(kFirstLayoutButton, false)->tooltip), "New game");
    EXPECT_EQ(shownTooltip("Take back move"), "Take back move");
    EXPECT_EQ(shownTooltip("a~~b"), "a~~b");
}

TEST(CommandTable, LayoutButtonsFollowTheConnection)
{
    auto offline = *layoutButtonAction(kFirstLayoutButton + 1, false);
    EXPECT_EQ(offline.command, cmd::kSetupBoard);
    EXPECT_EQ(offline.icon, 1);
    auto online = *layoutButtonAction(kFirstLayoutButton + 1, true);
    EXPECT_EQ(online.command, cmd::kServerGameList);
    EXPECT_EQ(online.listMode, ServerListMode::Seek);
    EXPECT_EQ(online.tooltip, "~~Seek game");
    EXPECT_EQ(online.icon, 10);
    EXPECT_EQ(layoutButtonAction(kFirstLayoutButton + 2, true)->listMode, ServerListMode::Observe);
    EXPECT_EQ(layoutButtonAction(kFirstLayoutButton + 8, true)->command, cmd::kSaveGame);
}

TEST(CommandTable, ButtonsMenusAndLayoutButtonsShowOneStatePerCommand)
{
    struct Row {
        const char* name;
        CommandState state;
        int command;
        bool available;
        bool checked;
    } rows[] = {
        { "take back without a move", {}, cmd::kTakeBackMove, false, false },
        { "take back with a move", { .canTakeBack = true }, cmd::kTakeBackMove, true, false },
        { "next move at the end", { .canTakeBack = true }, cmd::kNextMove, false, false },
        { "analysis on", { .analysisMode = true }, cmd::kAnalyzeMode, true, true },
        { "analysis off", { .trainingMode = true }, cmd::kAnalyzeMode, true, false },
        { "board flipped", { .boardFlipped = true }, cmd::kFlipBoard, true, true },
        { "layout toggled", { .layoutToggled = true }, cmd::kToggleLayout, true, true },
        { "replay running", { .autoReplay = true }, cmd::kReplayMoves, true, true },
        { "replay stopped", { .trainingMode = true }, cmd::kReplayMoves, true, false },
        { "training running", { .trainingMode = true }, cmd::kTraining, true, true },
        { "training stopped", { .autoReplay = true }, cmd::kTraining, true, false },
        { "the login offline", {}, cmd::kLoginLogout, true, false },
        { "a server list offline", {}, cmd::kSought, false, false },
        { "a server list online", { .connected = true }, cmd::kSought, true, false },
        { "an in-game command online", { .connected = true }, cmd::kResignGame, false, false },
        { "an in-game command in a server game", { .connected = true, .serverGame = true },
            cmd::kResignGame, true, false },
        { "the level sheet", {}, cmd::kLevels, true, false },
        { "turning a board that is not there", {}, cmd::kTurnDgtBoard, false, false },
        { "turning the DGT board", { .dgtConnected = true }, cmd::kTurnDgtBoard, true, false },
        { "an id without a command", {}, cmd::kUnboundOpenKey, false, false },
        { "layout button for a new game", {}, kFirstLayoutButton, true, false },
        { "layout button for the set-up", {}, kFirstLayoutButton + 1, true, false },
        { "layout button for a server list", { .connected = true }, kFirstLayoutButton + 2, true,
            false },
        { "layout button for the chat", { .connected = true }, kFirstLayoutButton + 3, true,
            false },
        { "replay layout button offline", { .autoReplay = true }, kFirstLayoutButton + 6, true,
            true },
        { "replay layout button is Flag when connected", { .autoReplay = true, .connected = true },
            kFirstLayoutButton + 6, false, false },
    };
    for (const Row& row : rows) {
        EXPECT_EQ(isCommandAvailable(row.command, row.state), row.available) << row.name;
        EXPECT_EQ(isCommandChecked(row.command, row.state), row.checked) << row.name;
        const ButtonState bar = !row.available ? ButtonState::Disabled
            : row.checked                      ? ButtonState::Pressed
                                               : ButtonState::Enabled;
        EXPECT_EQ(commandBarButtonState(row.command, row.state), bar) << row.name;
    }
    EXPECT_TRUE(isLayoutButtonPressed(kFirstLayoutButton + 6, { .autoReplay = true }));
    EXPECT_FALSE(isLayoutButtonPressed(kFirstLayoutButton + 5, { .autoReplay = true }));
    // A mode shown checked on a button is checkable, so its menu item carries the mark too.
    const CommandState allOn { .autoReplay = true,
        .trainingMode = true,
        .analysisMode = true,
        .boardFlipped = true,
        .layoutToggled = true };
    for (const CommandEntry& entry : commandTable()) {
        if (entry.operation != Operation::LayoutButton) {
            EXPECT_EQ(isCommandChecked(entry.id, allOn), entry.checkable) << entry.name;
        }
    }
}

TEST(CommandTable, FlipDuringAnimationKeepsTheBoard)
{
    EXPECT_EQ(flipBoard(false, true).flipped, false);
    EXPECT_EQ(flipBoard(false, true).redrawWindow, false);
    EXPECT_EQ(flipBoard(true, false).flipped, false);
    EXPECT_EQ(flipBoard(true, false).redrawWindow, true);
}

TEST(CommandTable, WindowTitle)
{
    struct Row {
        const char* name;
        CommandState state;
        const char* title;
    } rows[] = {
        { "engine name", { .engineName = "Stockfish 16" }, "Velmorak \u2014 Stockfish 16" },
        { "no engine", {}, "Velmorak" },
        { "own engine", { .engineName = "Korvel 2.1" }, "Velmorak" },
        { "other own engine", { .engineName = "The Brisquat" }, "Velmorak" },
        { "logged in", { .connected = true, .engineName = "Korvel", .loginName = "ann" },
            "Velmorak \u2014 ann" },
        { "stalled", { .connected = true, .connectionStalled = true, .loginName = "ann" },
            "Velmorak \u2014 ann (stalled)" },
        { "game from a file", { .engineName = "Stockfish 16", .gameFile = "wch.pgn" },
            "wch.pgn \u2014 Velmorak \u2014 Stockfish 16" },
    };
    for (const Row& row : rows)
        EXPECT_EQ(windowTitle(row.state), row.title) << row.name;
}

TEST(CommandTable, AboutTexts)
{
    AboutTexts offline = aboutTexts({ 5, 8192, "Korvel", false, false, "", "vmbook" });
    EXPECT_EQ(offline.dialogTemplate, "aboutbox240");
    EXPECT_EQ(offline.hashLine, "Hashsize 8192 KB");
    EXPECT_EQ(offline.engineLine, "Chessengine Korvel");
    EXPECT_EQ(offline.thirdLine, "Openingbook vmbook");
    AboutTexts online = aboutTexts({ 0, 64, "Korvel", true, true, "ann", "vmbook" });
    EXPECT_EQ(online.dialogTemplate, "aboutbox");
    EXPECT_EQ(online.thirdLine, "Logged in as ann (stalled)");
}

} // namespace
