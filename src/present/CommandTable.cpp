#include "present/CommandTable.h"

#include <algorithm>
#include <array>

#include "app/ControllerPrompts.h"

namespace velmorak {

namespace {

using enum Operation;

constexpr CommandEntry kCommands[] = {
    { 390, LayoutButton, "layout button 1" },
    { 391, LayoutButton, "layout button 2" },
    { 392, LayoutButton, "layout button 3" },
    { 393, LayoutButton, "layout button 4" },
    { 394, LayoutButton, "layout button 5" },
    { 395, LayoutButton, "layout button 6" },
    { 396, LayoutButton, "layout button 7" },
    { 397, LayoutButton, "layout button 8" },
    { 398, LayoutButton, "layout button 9" },
    { 40001, Exit, "Exit" },
    { 40004, ReplaceGame, "Replace game..." },
    { 40006, NewGame, "New game" },
    { 40007, LoadGame, "Load game..." },
    { 40010, ReplayMoves, "Replay moves" },
    { 40012, Options, "Options..." },
    { 40013, Levels, "Levels..." },
    { 40014, FlipBoard, "Flip board" },
    { 40015, ToggleLayout, "Toggle layout" },
    { 40016, MoveNow, "Move now!" },
    { 40018, SaveGame, "Save game..." },
    { 40019, GameDetails, "Game details..." },
    { 40020, GameMoves, "Game moves..." },
    { 40021, CommentMove, "Comment move..." },
    { 40022, SelectDatabase, "Select database..." },
    { 40023, ClearHashtables, "Clear hashtables" },
    { 40024, About, "About..." },
    { 40038, TakeBackMove, "Take back move" },
    { 40039, NextMove, "Next move" },
    { 40040, AnalyzeMode, "Start analyze mode" },
    { 40041, Hint, "Hint" },
    { 40044, BackToBranchPoint, "back to branch point" },
    { 40045, ForwardToBranchPoint, "forward to branch point" },
    { 40049, SetupBoard, "Setup board..." },
    { 40050, ShowThreat, "Show threat" },
    { 40051, BackToStart, "Back to start" },
    { 40052, ForwardToEnd, "Forward to end" },
    { 40053, NextGame, "Next game" },
    { 40054, PreviousGame, "Previous game" },
    { 40055, Help, "Help..." },
    { 40060, SelectBook, "Select book..." },
    { 40071, Training, "Training" },
    { 40072, LoginLogout, "Login/Logout..." },
    { 40073, ServerGameList, "server game lists" },
    { 40074, Seek, "Seek..." },
    { 40075, Sought, "Sought..." },
    { 40076, Observe, "Observe..." },
    { 40077, Adjourn, "Adjourn..." },
    { 40078, History, "History..." },
    { 40079, Chat, "Chat..." },
    { 40080, ResignGame, "Resign game" },
    { 40081, Flag, "Flag" },
    { 40082, AdjournGame, "Adjourn game" },
    { 40083, AbortGame, "Abort game" },
    { 40084, OfferDraw, "Offer draw" },
    { 40085, Channels, "Channels..." },
    { 40086, Variables, "Variables..." },
    { 40087, Finger, "Finger..." },
};

constexpr Accelerator kAccelerators[] = {
    { AcceleratorKey::Letter, 'Q', 40001 },
    { AcceleratorKey::Letter, 'N', 40006 },
    // Bound to an id the table lacks, so Ctrl+O does nothing.
    { AcceleratorKey::Letter, 'O', 40003 },
    { AcceleratorKey::Letter, 'S', 40018 },
    { AcceleratorKey::Left, 0, 40038 },
    { AcceleratorKey::Right, 0, 40039 },
    { AcceleratorKey::Up, 0, 40045 },
    { AcceleratorKey::Down, 0, 40044 },
    { AcceleratorKey::Enter, 0, 40016 },
};

constexpr MenuItem item(int command, std::string_view text)
{
    return { MenuItemKind::Command, command, text, {} };
}

constexpr MenuItem kSeparator { MenuItemKind::Separator, 0, {}, {} };

constexpr MenuItem kFileItems[] = {
    item(40006, "New game"),
    item(40019, "Game details..."),
    item(40020, "Game moves..."),
    kSeparator,
    item(40007, "Load game..."),
    item(40018, "Save game..."),
    item(40004, "Replace game..."),
    kSeparator,
    item(40022, "Select database..."),
    item(40060, "Select book..."),
    kSeparator,
    item(40001, "Exit"),
};

constexpr MenuItem kServerItems[] = {
    item(40072, "Login/Logout..."),
    item(40074, "Seek..."),
    item(40076, "Observe..."),
    item(40087, "Finger..."),
    item(40079, "Chat..."),
    item(40085, "Channels..."),
    item(40086, "Variables..."),
};

constexpr MenuItem kToolsItems[] = {
    { MenuItemKind::Submenu, 0, "Chess-server", kServerItems },
    kSeparator,
    item(40013, "Levels..."),
    item(40012, "Options..."),
    item(40049, "Setup board..."),
    item(40014, "Flip board"),
    item(40053, "Next game"),
    item(40054, "Previous game"),
    kSeparator,
    item(40021, "Comment move..."),
    item(40010, "Replay moves"),
};

constexpr MenuItem kHelpItems[] = {
    item(40055, "Help..."),
    item(40024, "About..."),
    item(40023, "Clear hashtables"),
    kSeparator,
    item(40041, "Hint"),
    item(40050, "Show threat"),
    kSeparator,
    item(40071, "Training"),
};

constexpr MenuButton kMenuBar[] = {
    { 40002, "File", kFileItems },
    { 40009, "Tools", kToolsItems },
    { 40042, "?", kHelpItems },
};

constexpr CommandBarButton kBarButtons[] = {
    { 0, 40038, false, "Take back move" },
    { 1, 40020, false, "Show game moves" },
    { 2, 40039, false, "Next move" },
    { 3, 40016, false, "Move now!" },
    { 4, 40041, false, "Show hint move" },
    { 5, 40040, true, "Start analyze mode" },
    { 6, 40015, true, "Toggle layout" },
    { 7, 40014, true, "Flip board" },
};

constexpr std::string_view kBarTooltips[] = {
    "File menu",
    "Tools menu",
    "Help menu",
    "Take back move",
    "Show game moves",
    "Next move",
    "Move now!",
    "Show hint move",
    "Start analyze mode",
    "Toggle layout",
    "Flip board",
};

struct LayoutRow {
    std::string_view tooltip;
    int command;
    ServerListMode listMode;
};

// Rows 0..8 serve the unconnected state, rows 9..17 the connected one: a connected button
// looks up its id shifted by nine.
constexpr LayoutRow kLayoutRows[] = {
    { "~~New game", 40006, ServerListMode::None },
    { "~~Setup position", 40049, ServerListMode::None },
    { "~~Load game", 40007, ServerListMode::None },
    { "~~Save game", 40018, ServerListMode::None },
    { "~~Options", 40012, ServerListMode::None },
    { "~~Level", 40013, ServerListMode::None },
    { "~~Start replay", 40010, ServerListMode::None },
    { "~~Take back 10 moves", 40044, ServerListMode::None },
    { "~~Play next 10 moves", 40045, ServerListMode::None },
    { "~~Show information about players (finger)", 40087, ServerListMode::None },
    { "~~Seek game", 40073, ServerListMode::Seek },
    { "~~Observe game", 40073, ServerListMode::Observe },
    { "~~Chat", 40079, ServerListMode::None },
    { "~~Offer draw", 40084, ServerListMode::None },
    { "~~Resign game", 40080, ServerListMode::None },
    { "~~Flag", 40081, ServerListMode::None },
    { "~~Load game", 40007, ServerListMode::None },
    { "~~Save game", 40018, ServerListMode::None },
};
static_assert(std::size(kLayoutRows) == 2 * kLayoutButtonCount);

constexpr int kNarrowBarBitmap = 115;
constexpr int kWideBarBitmap = 116;
constexpr int kWideScreen = 400;

bool contains(std::string_view text, std::string_view part)
{
    return text.find(part) != std::string_view::npos;
}

} // namespace

std::span<const CommandEntry> commandTable()
{
    return kCommands;
}

const CommandEntry* findCommand(int id)
{
    auto found = std::ranges::lower_bound(kCommands, id, {}, &CommandEntry::id);
    return found != std::end(kCommands) && found->id == id ? found : nullptr;
}

std::span<const Accelerator> accelerators()
{
    return kAccelerators;
}

std::span<const MenuButton> menuBar()
{
    return kMenuBar;
}

std::span<const CommandBarButton> commandBarButtons()
{
    return kBarButtons;
}

std::span<const std::string_view> commandBarTooltips()
{
    return kBarTooltips;
}

int commandBarBitmap(int screenWidth)
{
    return screenWidth > kWideScreen ? kWideBarBitmap : kNarrowBarBitmap;
}

bool layoutHasButtons(int layout)
{
    return layout == 1 || layout == 5 || layout == 8 || layout == 12 || layout == 14;
}

std::string_view shownTooltip(std::string_view tooltip)
{
    return tooltip.starts_with("~~") ? tooltip.substr(2) : tooltip;
}

std::optional<LayoutButtonAction> layoutButtonAction(int button, bool connected)
{
    // Range first: subtracting from an arbitrary id could overflow.
    if (button < kFirstLayoutButton || button >= kFirstLayoutButton + kLayoutButtonCount)
        return std::nullopt;
    int index = button - kFirstLayoutButton;
    if (connected)
        index += kLayoutButtonCount;
    const LayoutRow& row = kLayoutRows[index];
    return LayoutButtonAction { row.tooltip, row.command, row.listMode, index };
}

ButtonState commandBarButtonState(int command, const CommandState& state)
{
    auto enabledIf = [](bool on) { return on ? ButtonState::Enabled : ButtonState::Disabled; };
    auto pressedIf = [](bool on) { return on ? ButtonState::Pressed : ButtonState::Enabled; };
    switch (command) {
    case 40038:
        return enabledIf(state.canTakeBack);
    case 40039:
        return enabledIf(state.canGoForward);
    case 40040:
        return pressedIf(state.analysisMode);
    case 40015:
        return pressedIf(state.layoutToggled);
    case 40014:
        return pressedIf(state.boardFlipped);
    default:
        return ButtonState::Enabled;
    }
}

bool isMenuItemChecked(int command, const CommandState& state)
{
    switch (command) {
    case 40010:
        return state.autoReplay;
    case 40071:
        return state.trainingMode;
    default:
        return false;
    }
}

bool isLayoutButtonPressed(int button, const CommandState& state)
{
    // Replay runs only offline; connected, this button is "Flag" and never latches.
    return button == 396 && !state.connected && state.autoReplay;
}

std::string windowTitle(const CommandState& state)
{
    if (state.connected) {
        if (state.connectionStalled)
            return "VMK(stalled)";
        return "VMK(" + state.loginName + ")";
    }
    if (contains(state.engineName, "Korvel") || contains(state.engineName, "Brisquat"))
        return std::string(kProgramTitle);
    return "VMK(" + state.engineName + ")";
}

FlipOutcome flipBoard(bool flipped, bool animating)
{
    if (animating)
        return { flipped, false };
    return { !flipped, true };
}

AboutTexts aboutTexts(const AboutInfo& info)
{
    int layout = info.layout;
    bool small = layout == 3 || layout == 5 || layout == 10 || layout == 12 || layout == 14;
    AboutTexts texts;
    texts.dialogTemplate = small ? "aboutbox240" : "aboutbox";
    texts.hashLine = "Hashsize " + std::to_string(info.hashSizeKb) + " KB";
    texts.engineLine = "Chessengine " + info.engineName;
    if (info.connected)
        texts.thirdLine =
            "Logged in as " + info.loginName + (info.connectionStalled ? " (stalled)" : "");
    else
        texts.thirdLine = "Openingbook " + info.bookName;
    return texts;
}

} // namespace velmorak
