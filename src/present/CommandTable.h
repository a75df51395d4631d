#pragma once

#include <optional>
#include <span>
#include <string>
#include <string_view>

namespace velmorak {

// What a command does; the front end binds each to the controller, dialog or action that
// owns it. The table below maps every command id the window can receive to one of these.
enum class Operation {
    Exit,
    ReplaceGame,
    NewGame,
    LoadGame,
    ReplayMoves,
    Options,
    Levels,
    FlipBoard,
    ToggleLayout,
    MoveNow,
    SaveGame,
    GameDetails,
    GameMoves,
    CommentMove,
    SelectDatabase,
    ClearHashtables,
    About,
    TakeBackMove,
    NextMove,
    AnalyzeMode,
    Hint,
    BackToBranchPoint,
    ForwardToBranchPoint,
    SetupBoard,
    ShowThreat,
    BackToStart,
    ForwardToEnd,
    NextGame,
    PreviousGame,
    Help,
    SelectBook,
    Training,
    LoginLogout,
    ServerGameList,
    Seek,
    Sought,
    Observe,
    Adjourn,
    History,
    Chat,
    ResignGame,
    Flag,
    AdjournGame,
    AbortGame,
    OfferDraw,
    Channels,
    Variables,
    Finger,
    LayoutButton,
};

struct CommandEntry {
    int id;
    Operation operation;
    std::string_view name;
};

// Every command id in ascending order, each once; the layout buttons 390 to 398 included.
std::span<const CommandEntry> commandTable();

// The entry for `id`, or nullptr: ids not in the table are ignored by the dispatcher.
const CommandEntry* findCommand(int id);

enum class AcceleratorKey { Letter, Left, Right, Up, Down, Enter };

struct Accelerator {
    AcceleratorKey key;
    // The letter for Letter keys, always with Ctrl; 0 otherwise.
    char letter;
    // May name an id without a command (Ctrl+O): such a key does nothing.
    int command;
};

std::span<const Accelerator> accelerators();

enum class MenuItemKind { Command, Separator, Submenu };

struct MenuItem {
    MenuItemKind kind;
    // The command for Command items; 0 otherwise.
    int command;
    // Empty for separators.
    std::string_view text;
    // The items of a submenu; empty otherwise.
    std::span<const MenuItem> children;
};

struct MenuButton {
    int id;
    std::string_view caption;
    std::span<const MenuItem> items;
};

// "File", "Tools", "?" in the order of the menu bar.
std::span<const MenuButton> menuBar();

struct CommandBarButton {
    int image;
    int command;
    bool checkStyle;
    std::string_view tooltip;
};

// The eight buttons in bar order.
std::span<const CommandBarButton> commandBarButtons();

// The eleven tooltips the bar is given: its three menu buttons, then the eight buttons.
std::span<const std::string_view> commandBarTooltips();

// The command bar's image strip: the wider one on screens over 400 pixels.
int commandBarBitmap(int screenWidth);

inline constexpr int kFirstLayoutButton = 390;
inline constexpr int kLayoutButtonCount = 9;

// Layouts that stack the nine buttons beside the board.
bool layoutHasButtons(int layout);

// Which list a ServerGameList command opens.
enum class ServerListMode { None = -1, Seek = 0, Observe = 2 };

struct LayoutButtonAction {
    std::string_view tooltip;
    int command;
    ServerListMode listMode;
    // Index into the icon strip.
    int icon;
};

// A tooltip as shown on a desktop: the "~~" that marks the layout buttons' texts dropped.
std::string_view shownTooltip(std::string_view tooltip);

// What layout button `button` (390..398) shows and runs in the given connection state;
// nullopt for any other id.
std::optional<LayoutButtonAction> layoutButtonAction(int button, bool connected);

// What the menus, buttons and title show. Every flag is what the core reports after the
// last command ran: a check-style item shows it as it is and never flips by itself, so a
// refused command leaves the item as it was.
struct CommandState {
    bool autoReplay = false;
    bool trainingMode = false;
    bool analysisMode = false;
    bool boardFlipped = false;
    bool layoutToggled = false;
    bool canTakeBack = false;
    bool canGoForward = false;
    bool connected = false;
    bool connectionStalled = false;
    std::string engineName {};
    std::string loginName {};
};

// The command bar's set-state values.
enum class ButtonState { Disabled = 0, Enabled = 4, Pressed = 5 };

ButtonState commandBarButtonState(int command, const CommandState& state);

// Whether the menu item for `command` shows a check mark.
bool isMenuItemChecked(int command, const CommandState& state);

// Whether layout button `button` is drawn pressed.
bool isLayoutButtonPressed(int button, const CommandState& state);

std::string windowTitle(const CommandState& state);

// Flip board: refused while a move animates, when only the button is refreshed.
struct FlipOutcome {
    bool flipped;
    bool redrawWindow;
};
FlipOutcome flipBoard(bool flipped, bool animating);

inline constexpr std::string_view kHelpMainAnchor = "Velmorak.htm#Main_Contents";
inline constexpr std::string_view kHelpAboutAnchor = "Velmorak.htm#About";

struct AboutInfo {
    int layout = 0;
    int hashSizeKb = 0;
    std::string engineName {};
    bool connected = false;
    bool connectionStalled = false;
    std::string loginName {};
    std::string bookName {};
};

struct AboutTexts {
    std::string_view dialogTemplate;
    std::string hashLine;
    std::string engineLine;
    // The login when connected, else the opening book.
    std::string thirdLine;
};

AboutTexts aboutTexts(const AboutInfo& info);

} // namespace velmorak
