#pragma once

#include <QTimer>
#include <string>
#include <vector>

#include "app/ServerSession.h"
#include "gui/ChessDialog.h"
#include "present/ConsoleHistoryWalk.h"

class QComboBox;
class QLineEdit;
class QPushButton;
class QSpinBox;
class QWidget;

namespace velmorak::gui {

class ServerPageView;

// "Channels": the server console ("Server", with a command line whose Up and Down walk the
// commands typed before), every joined channel and the client's log page (with "Save...").
// Channels are joined by number and left with Delete; Clear empties the page shown.
class ServerChannelsDialog : public ChessDialog {
public:
    ServerChannelsDialog(QWidget* parent, GameController& controller, ServerSession& session);

    // New lines in the console, a channel or the log (the window's lineReceived, lineSent
    // and chatArrived): the page list and the shown page follow.
    void refresh();
    // The page shown ("Server", a channel number, the log page).
    QString page() const;
    void selectPage(const QString& name);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    std::vector<std::string> pageNames() const;
    std::string pageText(const std::string& name) const;
    void fillPages();
    void pageChosen();
    void join();
    void leave();
    void clear();
    void sendCommand();
    void saveLog();

    ServerSession& m_session;
    QComboBox* m_pages;
    QSpinBox* m_number;
    QPushButton* m_leave;
    ServerPageView* m_view;
    QWidget* m_consoleRow;
    QLineEdit* m_command;
    QWidget* m_logRow;
    ConsoleHistoryWalk m_walk;
    std::vector<std::string> m_shownNames;
    bool m_keepLogListed = false;
    QTimer m_timer;
};

} // namespace velmorak::gui
