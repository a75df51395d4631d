#pragma once

#include <string_view>

#include "rules/Move.h"

namespace velmorak {

class Board;
class CGameNode;

// The commands whose state the controller sets on menus and command bars.
enum class ControllerCommand {
    TakeBack,
    NextMove,
    Analysis,
    Replay,
    Training,
};

// The port through which the controller has the board and the panels drawn. Every call
// comes on the interface thread and returns at once: an animation runs on after the call,
// advanced by the front end's own timer (id 102).
//
// Production: the desktop program's widgets, the command line's printer; tests: a recorder.
class ControllerView {
public:
    virtual ~ControllerView() = default;

    // The move just made on the board: animated or drawn at once, with the move sound when
    // `withSound` (the sound option is the caller's business). `highlight`: the move becomes
    // the highlighted last move (engine moves and training replies).
    virtual void drawMove(Move move, bool animate, bool withSound, bool highlight) = 0;
    // The move just taken back, animated backwards when `animate`.
    virtual void drawTakeBack(Move move, bool animate) = 0;
    // Redraws the board as it stands (a refused move's piece goes back).
    virtual void redrawBoard() = 0;
    // Called once after each operation that changed the controller's position, however many
    // plies it went; `board` is the new position.
    virtual void positionChanged(const Board& board) = 0;
    // A move was entered into the game (by anyone), `node` being its node.
    virtual void moveEntered(const CGameNode& node) = 0;
    virtual void setCommandEnabled(ControllerCommand command, bool enabled) = 0;
    virtual void setCommandChecked(ControllerCommand command, bool checked) = 0;
    // The status panel (engine output or level line) and the move list are to be redrawn.
    virtual void invalidateStatus() = 0;
    virtual void invalidateMoveList() = 0;
    // The piece selection and the highlighted last move are cleared.
    virtual void clearSelection() = 0;

    // Whether a board animation runs; the controller waits for it before it plays an engine
    // move or a replay step.
    virtual bool isAnimating() const = 0;
    // Ends a running animation at once (the piece stands on its square).
    virtual void endAnimation() = 0;
    // A hint or threat (`threat`: the opponent's move, were the side to move to pass),
    // whose SAN is `san`: drawn there and back, with the move sound; never played.
    virtual void showMoveThereAndBack(Move move, std::string_view san, bool threat) = 0;
    // Turns the board so that `blackAtBottom` holds ("Flip board" follows).
    virtual void setBoardFlipped(bool blackAtBottom) = 0;
};

} // namespace velmorak
