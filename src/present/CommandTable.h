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
    AnnounceStatus,
    CopyGame,
    CopyPosition,
    Paste,
    TurnDgtBoard,
    LayoutButton,
};

// The command ids, named after their operation. They are the ids of the menus, buttons and
// keys (ints, so that a stored or received id needs no conversion).
namespace cmd {
inline constexpr int kExit = 40001;
inline constexpr int kReplaceGame = 40004;
inline constexpr int kNewGame = 40006;
inline constexpr int kLoadGame = 40007;
inline constexpr int kReplayMoves = 40010;
inline constexpr int kOptions = 40012;
inline constexpr int kLevels = 40013;
inline constexpr int kFlipBoard = 40014;
inline constexpr int kToggleLayout = 40015;
inline constexpr int kMoveNow = 40016;
inline constexpr int kSaveGame = 40018;
inline constexpr int kGameDetails = 40019;
inline constexpr int kGameMoves = 40020;
inline constexpr int kCommentMove = 40021;
inline constexpr int kSelectDatabase = 40022;
inline constexpr int kClearHashtables = 40023;
inline constexpr int kAbout = 40024;
inline constexpr int kTakeBackMove = 40038;
inline constexpr int kNextMove = 40039;
inline constexpr int kAnalyzeMode = 40040;
inline constexpr int kHint = 40041;
inline constexpr int kBackToBranchPoint = 40044;
inline constexpr int kForwardToBranchPoint = 40045;
inline constexpr int kSetupBoard = 40049;
inline constexpr int kShowThreat = 40050;
inline constexpr int kBackToStart = 40051;
inline constexpr int kForwardToEnd = 40052;
inline constexpr int kNextGame = 40053;
inline constexpr int kPreviousGame = 40054;
inline constexpr int kHelp = 40055;
inline constexpr int kSelectBook = 40060;
inline constexpr int kTraining = 40071;
inline constexpr int kLoginLogout = 40072;
inline constexpr int kServerGameList = 40073;
inline constexpr int kSeek = 40074;
inline constexpr int kSought = 40075;
inline constexpr int kObserve = 40076;
inline constexpr int kAdjourn = 40077;
inline constexpr int kHistory = 40078;
inline constexpr int kChat = 40079;
inline constexpr int kResignGame = 40080;
inline constexpr int kFlag = 40081;
inline constexpr int kAdjournGame = 40082;
inline constexpr int kAbortGame = 40083;
inline constexpr int kOfferDraw = 40084;
inline constexpr int kChannels = 40085;
inline constexpr int kVariables = 40086;
inline constexpr int kFinger = 40087;
// Tells a screen reader the state of the game and both clocks.
inline constexpr int kAnnounceStatus = 40089;
// The clipboard: the game as PGN, the position as FEN, and a game or position pasted.
inline constexpr int kCopyGame = 40090;
inline constexpr int kCopyPosition = 40091;
inline constexpr int kPaste = 40092;
// The DGT board stands the other way round from what its pieces told.
inline constexpr int kTurnDgtBoard = 40093;
// The menu bar's four buttons: they open menus and run nothing.
inline constexpr int kFileMenu = 40002;
inline constexpr int kEditMenu = 40008;
inline constexpr int kToolsMenu = 40009;
inline constexpr int kHelpMenu = 40042;
// Ctrl+O's id, which names no command: the key does nothing.
inline constexpr int kUnboundOpenKey = 40003;
} // namespace cmd

// When a command can be run: the menu item, its button and its key all follow this.
enum class Availability {
    Always,
    // Only with a move before the current one ("Take back move").
    MoveBehind,
    // Only with a move after the current one ("Next move").
    MoveAhead,
    // Only while logged in to a chess server.
    Online,
    // Only during a game the user plays on a chess server.
    InServerGame,
    // Only while a DGT board is connected.
    DgtBoard,
    // Its dialog or its server part is not built yet: shown disabled, never run.
    NotBuilt,
};

struct CommandEntry {
    int id;
    Operation operation;
    std::string_view name;
    // Shows a check mark in a menu and stays pressed as a button while its mode is on.
    bool checkable;
    Availability availability;
};

// Every command id in ascending order, each once; the layout buttons 390 to 398 included.
std::span<const CommandEntry> commandTable();

// The entry for `id`, or nullptr: ids not in the table are ignored by the dispatcher.
const CommandEntry* findCommand(int id);

// ShiftLetter: Ctrl+Shift and the letter.
enum class AcceleratorKey { Letter, ShiftLetter, Left, Right, Up, Down, Enter };

struct Accelerator {
    AcceleratorKey key;
    // The letter for Letter and ShiftLetter keys, always with Ctrl; 0 otherwise.
    char letter;
    // May name an id without a command (Ctrl+O): such a key does nothing.
    int command;
};

// Each key once. Letters come only with Ctrl: a bare letter typed on the board opens the
// move field. A command's Ctrl key is shown beside its menu item.
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

// "File", "Edit", "Tools", "?" in the order of the menu bar.
std::span<const MenuButton> menuBar();

// A button shows its command's state: pressed while a checkable one is checked.
struct CommandBarButton {
    int image;
    int command;
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
    bool dgtConnected = false;
    // A game the user plays on the server is running.
    bool serverGame = false;
    std::string engineName {};
    std::string loginName {};
    // The name (no folder) of the file the current game came from; empty for other games.
    std::string gameFile {};
};

// The command bar's set-state values.
enum class ButtonState { Disabled = 0, Enabled = 4, Pressed = 5 };

// Whether `command` can be run now; false for ids the table lacks. A layout button is as
// available as the command it runs in the state's connection. Menu items, buttons and keys
// of one command all follow this, so they never disagree.
bool isCommandAvailable(int command, const CommandState& state);

// Whether a checkable command's mode is on (a check mark, a pressed button); false for the
// others. The replay layout button counts as the replay command while offline.
bool isCommandChecked(int command, const CommandState& state);

ButtonState commandBarButtonState(int command, const CommandState& state);

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
