#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace velmorak {

// What the command dispatcher cannot do in the core: each front end shows or ends things in
// its own way, or not at all.
enum class FrontEndRequest {
    // "Exit": the program ends.
    Exit,
    // "quit": the loop that reads typed lines ends.
    QuitInput,
    // "board": the position as text.
    ShowBoard,
    // "pgn": the game as PGN.
    ShowGame,
    // "status": the status panel's two lines.
    ShowStatus,
    // "Toggle layout": the next layout that fits the window.
    ToggleLayout,
    // "About..." and "Help...": their dialog, the manual.
    About,
    Help,
    // "Options...": the options dialog.
    Options,
    // "Announce result and clocks": the game's state and both clocks told to a screen
    // reader.
    AnnounceStatus,
    // "Game moves...": the game's moves as text, to go to or comment one.
    GameMoves,
    // "Game details..." and "Comment move...": the current game's header, a move's comment.
    GameDetails,
    CommentMove,
    // "Load game...": the database sheet, to find a game and load it.
    LoadGame,
    // "Save game..." and "Replace game..." (the game's details edited first).
    SaveGame,
    ReplaceGame,
    // "Levels...": the level sheet (the level guard has warned before).
    Levels,
    // "Select book...": the books and the book mode.
    SelectBook,
    // "Setup board...": the editing board and its details, then the new game.
    SetupBoard,
    // "Login/Logout...": the chess-server login.
    ServerLogin,
    // The server sheet opened on one of its pages: Seek, Sought, Observe, Adjourned, History.
    ServerSeekPage,
    ServerSoughtPage,
    ServerObservePage,
    ServerAdjournedPage,
    ServerHistoryPage,
    // The commands of a game played on the server (each asks its own question first).
    ServerResign,
    ServerFlag,
    ServerAdjournGame,
    ServerAbort,
    ServerOfferDraw,
    // The chess server's text windows: chat, channels (with the console), variables, finger.
    ServerChat,
    ServerChannels,
    ServerVariables,
    ServerFinger,
    // "Turn DGT board": the electronic board stands the other way round.
    TurnDgtBoard,
};

// The port through which the command dispatcher reaches what only a front end has (a
// dialog, its loop, a printer). Interface thread only.
//
// Production: the desktop program's window and `velmorak-cli play`'s session; tests: a
// recorder that serves a chosen set.
class FrontEndPort {
public:
    virtual ~FrontEndPort() = default;
    // Carries `request` out and returns true, or returns false at once when this front end
    // has no such thing: the dispatcher then tells the user so.
    virtual bool serve(FrontEndRequest request) = 0;
    // The clipboard of the desktop, for "Copy game", "Copy position" and "Paste": what the
    // text means is the core's business. False, and no text, when this front end has none.
    virtual bool copyText(std::string_view text)
    {
        (void)text;
        return false;
    }
    virtual std::optional<std::string> pastedText() { return std::nullopt; }
};

} // namespace velmorak
