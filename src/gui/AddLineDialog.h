#pragma once

#include "gui/ChessDialog.h"
#include "record/GameTreeEditing.h"

class QListWidget;

namespace velmorak::gui {

// "Add line": a move leaves the lines already played here. The answer says where it goes;
// "Delete selected" and "Change default to" act through the question, which decides.
class AddLineDialog : public ChessDialog {
public:
    AddLineDialog(QWidget* parent, GameController& controller, NewLineQuestion& question);

    // What the user answered; "Don't add move" and closing the window answer Cancel.
    NewLineChoice choice() const { return m_choice; }

private:
    void answer(NewLineChoice choice);
    void deleteSelected();
    void showLines();

    NewLineQuestion& m_question;
    QListWidget* m_lines;
    NewLineChoice m_choice = NewLineChoice::Cancel;
};

} // namespace velmorak::gui
