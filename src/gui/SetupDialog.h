#pragma once

#include <memory>

#include "gui/ChessDialog.h"
#include "present/SetupEditor.h"

class QButtonGroup;
class QLabel;

namespace velmorak::gui {

class SetupBoardWidget;

// "Setup board...": the editing board beside the palette of the twelve men, with Clear,
// Start position, Current position, Flip, Copy FEN and Paste FEN. OK validates (the editor
// keeps the dialog open with its message while the position is illegal), asks the details
// and, once the position passed, closes; the new game starts after the dialog has gone.
// Cancel leaves the game as it is.
class SetupDialog : public ChessDialog {
public:
    SetupDialog(QWidget* parent, GameController& controller, int pieceSet);

    // The editor the dialog shows; an electronic board feeds it through this.
    SetupEditor& editor() { return *m_editor; }
    SetupBoardWidget& board() { return *m_board; }

    void accept() override;
    void reject() override;

private:
    void showBoard();
    void copyFen();
    void pasteFen();
    void message(std::string_view text);

    std::shared_ptr<SetupEditor> m_editor;
    SetupBoardWidget* m_board;
    QButtonGroup* m_palette;
    QLabel* m_fen;
};

} // namespace velmorak::gui
