#pragma once

#include <functional>

#include "app/DatabaseSession.h"
#include "gui/ChessDialog.h"

class QPushButton;

namespace velmorak::gui {

// "Save game": where the current game goes — the open database, a new one, one chosen, or
// in place of the game selected in the open database. It closes once the game is saved.
class SaveGameDialog : public ChessDialog {
public:
    // `editDetails` runs the "Game details" dialog.
    SaveGameDialog(QWidget* parent, GameController& controller, std::function<void()> editDetails);

    QPushButton* currentButton() const { return m_current; }
    QPushButton* replaceButton() const { return m_replace; }

private:
    // "Replace in" edits the details first, as the game will be written with them.
    void replace();
    void finish(DatabaseSession::SaveOutcome outcome);

    std::function<void()> m_editDetails;
    QPushButton* m_current;
    QPushButton* m_replace;
};

} // namespace velmorak::gui
