#include "present/CommandTable.h"

#include <limits>
#include <set>

#include <gtest/gtest.h>

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
    EXPECT_EQ(ids.size(), 57u);
    for (const MenuButton& button : menuBar())
        expectMenuKnown(button.items, button.caption);
    for (const CommandBarButton& button : commandBarButtons())
        expectKnown(button.command, button.tooltip);
    for (bool connected : { false, true })
        for (int button = 390; button <= 398; ++button)
            expectKnown(layoutButtonAction(button, connected)->command, "layout button");
    for (const Accelerator& key : accelerators())
        if (key.letter != 'O')
            expectKnown(key.command, "accelerator");
}

TEST(CommandTable, UnboundIdsAndKeysDoNothing)
{
    EXPECT_EQ(findCommand(40003), nullptr) << "Ctrl+O must do nothing";
    EXPECT_EQ(findCommand(389), nullptr);
    EXPECT_EQ(findCommand(40088), nullptr);
    EXPECT_FALSE(layoutButtonAction(399, false));
    EXPECT_FALSE(layoutButtonAction(389, true));
    EXPECT_FALSE(layoutButtonAction(std::numeric_limits<int>::min(), false));
}

TEST(CommandTable, ShownTooltipsDropOnlyTheLeadingMarks)
{
    EXPECT_EQ(shownTooltip(layoutButtonAction(390, false)->tooltip), "New game");
    EXPECT_EQ(shownTooltip("Take back move"), "Take back move");
    EXPECT_EQ(shownTooltip("a~~b"), "a~~b");
}

TEST(CommandTable, LayoutButtonsFollowTheConnection)
{
    auto offline = *layoutButtonAction(391, false);
    EXPECT_EQ(offline.command, 40049);
    EXPECT_EQ(offline.icon, 1);
    auto online = *layoutButtonAction(391, true);
    EXPECT_EQ(online.command, 40073);
    EXPECT_EQ(online.listMode, ServerListMode::Seek);
    EXPECT_EQ(online.tooltip, "~~Seek game");
    EXPECT_EQ(online.icon, 10);
    EXPECT_EQ(layoutButtonAction(392, true)->listMode, ServerListMode::Observe);
    EXPECT_EQ(layoutButtonAction(398, true)->command, 40018);
}

TEST(CommandTable, ButtonsAndMenusShowTheReportedState)
{
    struct Row {
        const char* name;
        CommandState state;
        int command;
        ButtonState bar;
        bool checked;
    } rows[] = {
        { "take back without a move", {}, 40038, ButtonState::Disabled, false },
        { "take back with a move", { .canTakeBack = true }, 40038, ButtonState::Enabled, false },
        { "next move at the end", { .canTakeBack = true }, 40039, ButtonState::Disabled, false },
        { "analysis on", { .analysisMode = true }, 40040, ButtonState::Pressed, false },
        { "analysis off", { .trainingMode = true }, 40040, ButtonState::Enabled, false },
        { "board flipped", { .boardFlipped = true }, 40014, ButtonState::Pressed, false },
        { "layout toggled", { .layoutToggled = true }, 40015, ButtonState::Pressed, false },
        { "replay running", { .autoReplay = true }, 40010, ButtonState::Enabled, true },
        { "replay stopped", { .trainingMode = true }, 40010, ButtonState::Enabled, false },
        { "training running", { .trainingMode = true }, 40071, ButtonState::Enabled, true },
        { "training stopped", { .autoReplay = true }, 40071, ButtonState::Enabled, false },
    };
    for (const Row& row : rows) {
        EXPECT_EQ(commandBarButtonState(row.command, row.state), row.bar) << row.name;
        EXPECT_EQ(isMenuItemChecked(row.command, row.state), row.checked) << row.name;
    }
    EXPECT_TRUE(isLayoutButtonPressed(396, { .autoReplay = true }));
    EXPECT_FALSE(isLayoutButtonPressed(396, { .autoReplay = true, .connected = true }));
    EXPECT_FALSE(isLayoutButtonPressed(395, { .autoReplay = true }));
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
        { "engine name", { .engineName = "Stockfish 16" }, "VMK(Stockfish 16)" },
        { "own engine", { .engineName = "Korvel 2.1" }, "Velmorak" },
        { "other own engine", { .engineName = "The Brisquat" }, "Velmorak" },
        { "logged in", { .connected = true, .engineName = "Korvel", .loginName = "ann" },
            "VMK(ann)" },
        { "stalled", { .connected = true, .connectionStalled = true, .loginName = "ann" },
            "VMK(stalled)" },
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
