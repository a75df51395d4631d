#pragma once

#include <memory>

#include "app/DgtBoardLink.h"
#include "gui/ChessDialog.h"
#include "present/SetupEditor.h"

class QButtonGroup;
class QLabel;
class QTimer;

namespace velmorak::gui {

class SetupBoardWidget;

// "Setup board...": the editing board beside the palette of the twelve men, with Clear,
// Start position, Current position, Flip, Copy FEN and Paste FEN. OK validates (the editor
// keeps the dialog open with its message while the position is illegal), asks the details
// and, once the position passed, closes; the new game starts after the dialog has gone.
// Cancel leaves the game as it is.
//
// With a DGT board connected the editing board follows the board's pieces (polled on the
// dialog's own timer), takes them once more when OK is pressed, and a king put down last
// after both were lifted confirms the position with that side to move.
class SetupDialog : public ChessDialog, private DgtSetupFollower {
public:
    SetupDialog(
        QWidget* parent, GameController& controller, int pieceSet, DgtBoardLink* dgt = nullptr);
    ~SetupDialog() override;

    // The editor the dialog shows; an electronic board feeds it through this.
    SetupEditor& editor() { return *m_editor; }
    SetupBoardWidget& board() { return *m_board; }

    void accept() override;
    void reject() override;

private:
    // DgtSetupFollower.
    void boardShows(const BoardSquares& squares) override;
    void sideSetOnBoard(std::uint8_t side) override;
    // OK, with the side the board set up (none: from the OK button).
    void confirm(std::optional<std::uint8_t> sideFromBoard);

    void showBoard();
    void copyFen();
    void pasteFen();
    void message(std::string_view text);

    std::shared_ptr<SetupEditor> m_editor;
    SetupBoardWidget* m_board;
    QButtonGroup* m_palette;
    QLabel* m_fen;
    DgtBoardLink* m_dgt = nullptr;
    QTimer* m_dgtPoll = nullptr;
};

} // namespace velmorak::gui
