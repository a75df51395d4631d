#pragma once

#include "gui/ChessDialog.h"

namespace velmorak {
class ServerChallenge;
}

namespace velmorak::gui {

// "Accept match": who challenges whom, the terms and the wish for a colour. exec() is
// Accepted for "Accept"; "Decline", Escape and closing the window decline.
class AcceptMatchDialog : public ChessDialog {
public:
    AcceptMatchDialog(
        QWidget* parent, GameController& controller, const ServerChallenge& challenge);

protected:
    void showEvent(QShowEvent* event) override;

private:
    bool m_beeped = false;
};

} // namespace velmorak::gui
