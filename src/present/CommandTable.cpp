#include "present/CommandTable.h"

#include <algorithm>
#include <array>

#include "app/ControllerPrompts.h"

namespace velmorak {

namespace {

using enum Operation;
using enum Availability;

constexpr CommandEntry kCommands[] = {
    { kFirstLayoutButton + 0, LayoutButton, "layout button 1", false, Always },
    { kFirstLayoutButton + 1, LayoutButton, "layout button 2", false, Always },
    { kFirstLayoutButton + 2, LayoutButton, "layout button 3", false, Always },
    { kFirstLayoutButton + 3, LayoutButton, "layout button 4", false, Always },
    { kFirstLayoutButton + 4, LayoutButton, "layout button 5", false, Always },
    { kFirstLayoutButton + 5, LayoutButton, "layout button 6", false, Always },
    { kFirstLayoutButton + 6, LayoutButton, "layout button 7", false, Always },
    { kFirstLayoutButton + 7, LayoutButton, "layout button 8", false, Always },
    { kFirstLayoutButton + 8, LayoutButton, "layout button 9", false, Always },
    { cmd::kExit, Exit, "Exit", false, Always },
    { cmd::kReplaceGame, ReplaceGame, "Replace game...", false, Always },
    { cmd::kNewGame, NewGame, "New game", false, Always },
    { cmd::kLoadGame, LoadGame, "Load game...", false, Always },
    { cmd::kReplayMoves, ReplayMoves, "Replay moves", true, Always },
    { cmd::kOptions, Options, "Options...", false, Always },
    { cmd::kLevels, Levels, "Levels...", false, Always },
    { cmd::kFlipBoard, FlipBoard, "Flip board", true, Always },
    { cmd::kToggleLayout, ToggleLayout, "Toggle layout", true, Always },
    { cmd::kMoveNow, MoveNow, "Move now!", false, Always },
    { cmd::kSaveGame, SaveGame, "Save game...", false, Always },
    { cmd::kGameDetails, GameDetails, "Game details...", false, Always },
    { cmd::kGameMoves, GameMoves, "Game moves...", false, Always },
    { cmd::kCommentMove, CommentMove, "Comment move...", false, Always },
    { cmd::kSelectDatabase, SelectDatabase, "Select database...", false, Always },
    { cmd::kClearHashtables, ClearHashtables, "Clear hashtables", false, Always },
    { cmd::kAbout, About, "About...", false, Always },
    { cmd::kTakeBackMove, TakeBackMove, "Take back move", false, MoveBehind },
    { cmd::kNextMove, NextMove, "Next move", false, MoveAhead },
    { cmd::kAnalyzeMode, AnalyzeMode, "Start analyze mode", true, Always },
    { cmd::kHint, Hint, "Hint", false, Always },
    { cmd::kBackToBranchPoint, BackToBranchPoint, "back to branch point", false, Always },
    { cmd::kForwardToBranchPoint, ForwardToBranchPoint, "forward to branch point", false, Always },
    { cmd::kSetupBoard, SetupBoard, "Setup board...", false, Always },
    { cmd::kShowThreat, ShowThreat, "Show threat", false, Always },
    { cmd::kBackToStart, BackToStart, "Back to start", false, Always },
    { cmd::kForwardToEnd, ForwardToEnd, "Forward to end", false, Always },
    { cmd::kNextGame, NextGame, "Next game", false, Always },
    { cmd::kPreviousGame, PreviousGame, "Previous game", false, Always },
    { cmd::kHelp, Help, "Help...", false, Always },
    { cmd::kSelectBook, SelectBook, "Select book...", false, Always },
    { cmd::kTraining, Training, "Training", true, Always },
    { cmd::kLoginLogout, LoginLogout, "Login/Logout...", false, Always },
    { cmd::kServerGameList, ServerGameList, "server game lists", false, Online },
    { cmd::kSeek, Seek, "Seek...", false, Online },
    { cmd::kSought, Sought, "Sought...", false, Online },
    { cmd::kObserve, Observe, "Observe...", false, Online },
    { cmd::kAdjourn, Adjourn, "Adjourn...", false, Online },
    { cmd::kHistory, History, "History...", false, Online },
    { cmd::kChat, Chat, "Chat...", false, Online },
    { cmd::kResignGame, ResignGame, "Resign game", false, InServerGame },
    { cmd::kFlag, Flag, "Flag", false, InServerGame },
    { cmd::kAdjournGame, AdjournGame, "Adjourn game", false, InServerGame },
    { cmd::kAbortGame, AbortGame, "Abort game", false, InServerGame },
    { cmd::kOfferDraw, OfferDraw, "Offer draw", false, InServerGame },
    { cmd::kChannels, Channels, "Channels...", false, Online },
    { cmd::kVariables, Variables, "Variables...", false, Online },
    { cmd::kFinger, Finger, "Finger...", false, Online },
    { cmd::kAnnounceStatus, AnnounceStatus, "Announce result and clocks", false, Always },
    { cmd::kCopyGame, CopyGame, "Copy game", false, Always },
    { cmd::kCopyPosition, CopyPosition, "Copy position", false, Always },
    { cmd::kPaste, Paste, "Paste", false, Always },
    { cmd::kTurnDgtBoard, TurnDgtBoard, "Turn DGT board", false, DgtBoard },
};

constexpr Accelerator kAccelerators[] = {
    { AcceleratorKey::Letter, 'Q', cmd::kExit },
    { AcceleratorKey::Letter, 'N', cmd::kNewGame },
    // Bound to an id the table lacks, so Ctrl+O does nothing.
    { AcceleratorKey::Letter, 'O', cmd::kUnboundOpenKey },
    { AcceleratorKey::Letter, 'S', cmd::kSaveGame },
    { AcceleratorKey::Letter, 'F', cmd::kFlipBoard },
    { AcceleratorKey::Letter, 'L', cmd::kToggleLayout },
    { AcceleratorKey::Letter, 'T', cmd::kTraining },
    { AcceleratorKey::Letter, 'R', cmd::kShowThreat },
    { AcceleratorKey::Letter, 'I', cmd::kAnnounceStatus },
    { AcceleratorKey::Letter, 'C', cmd::kCopyGame },
    { AcceleratorKey::ShiftLetter, 'C', cmd::kCopyPosition },
    { AcceleratorKey::Letter, 'V', cmd::kPaste },
    { AcceleratorKey::Left, 0, cmd::kTakeBackMove },
    { AcceleratorKey::Right, 0, cmd::kNextMove },
    { AcceleratorKey::Up, 0, cmd::kForwardToBranchPoint },
    { AcceleratorKey::Down, 0, cmd::kBackToBranchPoint },
    { AcceleratorKey::Enter, 0, cmd::kMoveNow },
};

constexpr MenuItem item(int command, std::string_view text)
{
    return { MenuItemKind::Command, command, text, {} };
}

constexpr MenuItem kSeparator { MenuItemKind::Separator, 0, {}, {} };

constexpr MenuItem kFileItems[] = {
    item(cmd::kNewGame, "New game"),
    item(cmd::kGameDetails, "Game details..."),
    item(cmd::kGameMoves, "Game moves..."),
    kSeparator,
    item(cmd::kLoadGame, "Load game..."),
    item(cmd::kSaveGame, "Save game..."),
    item(cmd::kReplaceGame, "Replace game..."),
    kSeparator,
    item(cmd::kSelectDatabase, "Select database..."),
    item(cmd::kSelectBook, "Select book..."),
    kSeparator,
    item(cmd::kExit, "Exit"),
};

constexpr MenuItem kEditItems[] = {
    item(cmd::kCopyGame, "Copy game"),
    item(cmd::kCopyPosition, "Copy position"),
    item(cmd::kPaste, "Paste"),
};

constexpr MenuItem kServerItems[] = {
    item(cmd::kLoginLogout, "Login/Logout..."),
    item(cmd::kSeek, "Seek..."),
    item(cmd::kObserve, "Observe..."),
    item(cmd::kFinger, "Finger..."),
    item(cmd::kChat, "Chat..."),
    item(cmd::kChannels, "Channels..."),
    item(cmd::kVariables, "Variables..."),
};

constexpr MenuItem kToolsItems[] = {
    { MenuItemKind::Submenu, 0, "Chess-server", kServerItems },
    kSeparator,
    item(cmd::kLevels, "Levels..."),
    item(cmd::kOptions, "Options..."),
    item(cmd::kSetupBoard, "Setup board..."),
    item(cmd::kFlipBoard, "Flip board"),
    item(cmd::kTurnDgtBoard, "Turn DGT board"),
    item(cmd::kToggleLayout, "Toggle layout"),
    item(cmd::kNextGame, "Next game"),
    item(cmd::kPreviousGame, "Previous game"),
    kSeparator,
    item(cmd::kCommentMove, "Comment move..."),
    item(cmd::kReplayMoves, "Replay moves"),
};

constexpr MenuItem kHelpItems[] = {
    item(cmd::kHelp, "Help..."),
    item(cmd::kAbout, "About..."),
    item(cmd::kClearHashtables, "Clear hashtables"),
    kSeparator,
    item(cmd::kHint, "Hint"),
    item(cmd::kShowThreat, "Show threat"),
    item(cmd::kAnnounceStatus, "Announce result and clocks"),
    kSeparator,
    item(cmd::kTraining, "Training"),
};

constexpr MenuButton kMenuBar[] = {
    { cmd::kFileMenu, "File", kFileItems },
    { cmd::kEditMenu, "Edit", kEditItems },
    { cmd::kToolsMenu, "Tools", kToolsItems },
    { cmd::kHelpMenu, "?", kHelpItems },
};

constexpr CommandBarButton kBarButtons[] = {
    { 0, cmd::kTakeBackMove, "Take back move" },
    { 1, cmd::kGameMoves, "Show game moves" },
    { 2, cmd::kNextMove, "Next move" },
    { 3, cmd::kMoveNow, "Move now!" },
    { 4, cmd::kHint, "Show hint move" },
    { 5, cmd::kAnalyzeMode, "Start analyze mode" },
    { 6, cmd::kToggleLayout, "Toggle layout" },
    { 7, cmd::kFlipBoard, "Flip board" },
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
    { "~~New game", cmd::kNewGame, ServerListMode::None },
    { "~~Setup position", cmd::kSetupBoard, ServerListMode::None },
    { "~~Load game", cmd::kLoadGame, ServerListMode::None },
    { "~~Save game", cmd::kSaveGame, ServerListMode::None },
    { "~~Options", cmd::kOptions, ServerListMode::None },
    { "~~Level", cmd::kLevels, ServerListMode::None },
    { "~~Start replay", cmd::kReplayMoves, ServerListMode::None },
    { "~~Take back 10 moves", cmd::kBackToBranchPoint, ServerListMode::None },
    { "~~Play next 10 moves", cmd::kForwardToBranchPoint, ServerListMode::None },
    { "~~Show information about players (finger)", cmd::kFinger, ServerListMode::None },
    { "~~Seek game", cmd::kServerGameList, ServerListMode::Seek },
    { "~~Observe game", cmd::kServerGameList, ServerListMode::Observe },
    { "~~Chat", cmd::kChat, ServerListMode::None },
    { "~~Offer draw", cmd::kOfferDraw, ServerListMode::None },
    { "~~Resign game", cmd::kResignGame, ServerListMode::None },
    { "~~Flag", cmd::kFlag, ServerListMode::None },
    { "~~Load game", cmd::kLoadGame, ServerListMode::None },
    { "~~Save game", cmd::kSaveGame, ServerListMode::None },
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

bool isCommandAvailable(int command, const CommandState& state)
{
    const CommandEntry* entry = findCommand(command);
    if (!entry)
        return false;
    if (entry->operation == LayoutButton) {
        const auto action = layoutButtonAction(command, state.connected);
        return action && action->command != command && isCommandAvailable(action->command, state);
    }
    switch (entry->availability) {
    case Always:
        return true;
    case MoveBehind:
        return state.canTakeBack;
    case MoveAhead:
        return state.canGoForward;
    case Online:
        return state.connected;
    case InServerGame:
        return state.connected && state.serverGame;
    case DgtBoard:
        return state.dgtConnected;
    case NotBuilt:
        return false;
    }
    return false;
}

bool isCommandChecked(int command, const CommandState& state)
{
    const CommandEntry* entry = findCommand(command);
    if (!entry)
        return false;
    switch (entry->operation) {
    case ReplayMoves:
        return state.autoReplay;
    case Training:
        return state.trainingMode;
    case AnalyzeMode:
        return state.analysisMode;
    case FlipBoard:
        return state.boardFlipped;
    case ToggleLayout:
        return state.layoutToggled;
    case LayoutButton: {
        // Connected, the replay button is "Flag" and never latches.
        const auto action = layoutButtonAction(command, state.connected);
        return action && action->command == cmd::kReplayMoves && state.autoReplay;
    }
    default:
        return false;
    }
}

ButtonState commandBarButtonState(int command, const CommandState& state)
{
    if (!isCommandAvailable(command, state))
        return ButtonState::Disabled;
    return isCommandChecked(command, state) ? ButtonState::Pressed : ButtonState::Enabled;
}

bool isLayoutButtonPressed(int button, const CommandState& state)
{
    return findCommand(button) && findCommand(button)->operation == LayoutButton &&
        isCommandChecked(button, state);
}

std::string windowTitle(const CommandState& state)
{
    // The program first, then who it plays through: the server login or the engine. The
    // program's own engines are the program, so they add nothing. A game from a file puts
    // the file's name in front, as desktop windows name their document.
    constexpr std::string_view kDash = " \u2014 ";
    std::string title(kProgramTitle);
    if (state.connected)
        title.append(kDash)
            .append(state.loginName)
            .append(state.connectionStalled ? " (stalled)" : "");
    else if (!state.engineName.empty() && !contains(state.engineName, "Korvel") &&
        !contains(state.engineName, "Brisquat"))
        title.append(kDash).append(state.engineName);
    if (!state.gameFile.empty())
        title = state.gameFile + std::string(kDash) + title;
    return title;
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
