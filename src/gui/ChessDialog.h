#pragma once

#include <QDialog>
#include <QDialogButtonBox>
#include <functional>
#include <string>
#include <string_view>
#include <utility>

#include "app/GameController.h"

class QVBoxLayout;

namespace velmorak::gui {

// A dialog of the program. While one is open the game stands still: the controller counts it
// as an open box, so engine moves, the replay and training wait and files handed over are
// opened after it closes. A Help button and F1 open the manual at the dialog's own page (the
// window's F1 does not reach a modal dialog).
//
// A dialog puts its widgets into body() and runs with exec(); OK and Cancel (or the buttons
// given) and Help are in buttons().
class ChessDialog : public QDialog {
public:
    ChessDialog(QWidget* parent, GameController& controller, const QString& title,
        std::string_view helpAnchor,
        QDialogButtonBox::StandardButtons buttons = QDialogButtonBox::Ok |
            QDialogButtonBox::Cancel);

    QVBoxLayout* body() const { return m_body; }
    QDialogButtonBox* buttons() const { return m_buttons; }
    const std::string& helpAnchor() const { return m_helpAnchor; }
    // Opens the manual at this dialog's page; a box says why when it cannot.
    void showHelp();
    // What the dialog's answer does to the game once the dialog, and its hold on the game,
    // are gone (a new game cannot start under an open dialog); empty when nothing.
    std::function<void()> takeAfterClose() { return std::exchange(m_afterClose, {}); }
    // Before a picture of the dialog is taken: work it does in the background is finished,
    // so the picture is the same every time.
    virtual void settleForPicture() { }

protected:
    GameController& controller() const { return m_controller; }
    // For a dialog whose pages each have their own page of the manual.
    void setHelpAnchor(std::string_view anchor) { m_helpAnchor = anchor; }
    void setAfterClose(std::function<void()> step) { m_afterClose = std::move(step); }
    // Tab reaches OK, Cancel and Help after the dialog's own widgets, which are made after
    // them; called once the body is complete.
    void putButtonsLastInTabOrder();

private:
    GameController& m_controller;
    GameController::ModalDialogScope m_open;
    std::string m_helpAnchor;
    QVBoxLayout* m_body;
    QDialogButtonBox* m_buttons;
    std::function<void()> m_afterClose;
};

} // namespace velmorak::gui
