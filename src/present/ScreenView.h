#pragma once

#include <memory>
#include <string>

#include "app/ControllerView.h"
#include "present/BoardView.h"
#include "present/CommandTable.h"

namespace velmorak {

class GameController;
class WindowChrome;

// The controller's view on a screen: every call of the controller drives the board view
// and the command states here, in the core; the window only paints what the board view
// holds (BoardSurface) and shows what the chrome is told (WindowChrome). So a drawn move
// goes from the controller to the board view and from there to the surface, never back
// through the window.
//
// The controller calls its view while it is being made, before the board view can exist
// (the board view reads the controller's board): until attach() those calls only keep the
// navigation states. Interface thread only.
class ScreenView final : public ControllerView {
public:
    // All must outlive the view.
    ScreenView(WindowChrome& chrome, MoveSounds& sounds, const Clock& clock);
    ~ScreenView() override;

    // Makes the board view over the controller's board, drawn on `surface`. Once only; both
    // must outlive the view.
    void attach(GameController& controller, BoardSurface& surface);
    bool isAttached() const { return m_board != nullptr; }
    // Precondition: attached.
    BoardView& board() { return *m_board; }
    const BoardView& board() const { return *m_board; }

    // What the menus, buttons and title show now; the board's part needs attach().
    CommandState commandState() const;
    // Shows every command's state and the title on the chrome (nothing before attach()).
    void refreshCommands();
    // The chess-server login the title names: the session's name and whether its link
    // stalled.
    void setServerLogin(std::string loginName, bool stalled);
    // "Flip board": refused while a move animates; the options keep the orientation.
    void flipBoard();

    // ControllerView
    void drawMove(Move move, bool animate, bool withSound, bool highlight) override;
    void drawTakeBack(Move move, bool animate) override;
    void redrawBoard() override;
    void positionChanged(const Board& board) override;
    void moveEntered(const CGameNode&) override { }
    void setCommandEnabled(ControllerCommand command, bool enabled) override;
    // The checks are read from the controller's state, whoever changed it.
    void setCommandChecked(ControllerCommand, bool) override { refreshCommands(); }
    void invalidateStatus() override;
    void invalidateMoveList() override;
    void clearSelection() override;
    bool isAnimating() const override;
    void endAnimation() override;
    void showMoveThereAndBack(Move move, std::string_view san, bool threat) override;
    void setBoardFlipped(bool blackAtBottom) override;

private:
    std::string boardDescription() const;
    void keepFlip(bool flipped);

    WindowChrome& m_chrome;
    MoveSounds& m_sounds;
    const Clock& m_clock;
    GameController* m_controller = nullptr;
    std::unique_ptr<BoardView> m_board;
    bool m_canTakeBack = false;
    bool m_canGoForward = false;
    std::string m_loginName;
    bool m_connectionStalled = false;
};

} // namespace velmorak
