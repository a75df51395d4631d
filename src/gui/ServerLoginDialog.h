#pragma once

#include <functional>

#include "gui/ChessDialog.h"

class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QSpinBox;

namespace velmorak {
class ServerSession;
}

namespace velmorak::gui {

// "Login/Logout...": the server (a dialect or a typed host), port, handle and password, the
// login as registered user or guest, the logout, and the way to the server sheet's Seek,
// Observe and Adjourned pages once logged in.
class ServerLoginDialog : public ChessDialog {
public:
    // `openSheet` opens the server sheet on a page (0 Seek, 2 Observe, 3 Adjourned) after
    // this dialog has closed.
    ServerLoginDialog(QWidget* parent, GameController& controller, ServerSession& session,
        std::function<void(int)> openSheet);

    void done(int result) override;

private:
    void chooseServer(int dialect);
    void fillFromDialect();
    void storeFields();
    // The combo's text: a dialect's name or a host.
    std::string serverText() const;
    void logInOrOut(bool guest);
    void showState();

    ServerSession& m_session;
    std::function<void(int)> m_openSheet;
    QComboBox* m_server;
    QSpinBox* m_port;
    QLineEdit* m_handle;
    QLineEdit* m_password;
    QPushButton* m_login;
    QPushButton* m_guest;
    QPushButton* m_pages[3] {};
    // A login waits for the server with the event loop running: the buttons rest meanwhile.
    bool m_busy = false;
};

} // namespace velmorak::gui
