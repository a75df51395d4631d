#pragma once

#include "app/ServerSession.h"
#include "gui/ChessDialog.h"

class QLabel;
class QLineEdit;
class QTreeWidget;

namespace velmorak::gui {

// "Variables": the user's server variables as the server lists them, one edited at a time.
// A changed value is sent when another variable is picked and when the dialog closes.
class ServerVariablesDialog : public ChessDialog {
public:
    ServerVariablesDialog(QWidget* parent, GameController& controller, ServerSession& session);

    // The list arrived (the window's variablesRead).
    void refresh();
    // Asks the server for the list, as opening does once the dialog shows.
    void request();

    void done(int result) override;
    void settleForPicture() override;

private:
    void picked();
    void storeEdited();

    ServerSession& m_session;
    QTreeWidget* m_list;
    QLabel* m_name;
    QLineEdit* m_value;
    std::string m_editing; // the variable in the value field; "" for none
    bool m_requested = false;
};

} // namespace velmorak::gui
