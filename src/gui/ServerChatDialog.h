#pragma once

#include <QTimer>

#include "app/ServerSession.h"
#include "gui/ChessDialog.h"

class QComboBox;
class QPushButton;

namespace velmorak::gui {

class ServerPageView;

// "Chat": the partner pages of the chess server (tells, shouts, kibitzes, notifications),
// one shown at a time, and the message field with what the user sent before. The console's
// name as target sends the message as a command. Opening and closing mark the chat read.
class ServerChatDialog : public ChessDialog {
public:
    ServerChatDialog(QWidget* parent, GameController& controller, ServerSession& session);

    // New text on a page (the window's chatArrived): new partners join the target box and
    // the shown page follows, unless the user reads further up in it.
    void refresh();
    // Sends the message field to the target, as the Send button does.
    void send();

    void done(int result) override;

private:
    QString target() const;
    void showTarget();
    void fillTargets(const std::string& select);
    void fillHistory();

    ServerSession& m_session;
    QComboBox* m_target;
    ServerPageView* m_view;
    QComboBox* m_message;
    QPushButton* m_send;
    QTimer m_timer;
    std::size_t m_partnerCount = 0;
};

} // namespace velmorak::gui
