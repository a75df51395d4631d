#pragma once

#include <memory>

#include "gui/ChessDialog.h"
#include "present/SetupEditor.h"

class QButtonGroup;
class QCheckBox;
class QComboBox;
class QSpinBox;

namespace velmorak::gui {

// The second step of "Setup board": side to move, castling rights, the en-passant file and
// the move number of the position the editor passed. Its OK and its Cancel both hand the
// answer to the editor (Cancel keeps the board as it is); a message the editor returns is
// shown, and the dialog stays open only while no side to move is chosen.
class SetupDetailsDialog : public ChessDialog {
public:
    SetupDetailsDialog(
        QWidget* parent, GameController& controller, std::shared_ptr<SetupEditor> editor);

    // What the controls hold now.
    SetupDetails chosen() const;

    void accept() override;
    void reject() override;

private:
    void finish(const std::optional<SetupDetails>& chosen);

    std::shared_ptr<SetupEditor> m_editor;
    QButtonGroup* m_side;
    QCheckBox* m_castling[4];
    QComboBox* m_enPassant;
    QSpinBox* m_moveNumber;
};

} // namespace velmorak::gui
