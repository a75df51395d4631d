#pragma once

#include "app/ServerSession.h"
#include "gui/ChessDialog.h"

class QComboBox;

namespace velmorak::gui {

class ServerPageView;

// "Finger": what the server tells of a player. Opens on the user himself, or on both
// players of the game played or observed; a name typed or picked from the player list
// is fingered with the button.
class ServerFingerDialog : public ChessDialog {
public:
    ServerFingerDialog(QWidget* parent, GameController& controller, ServerSession& session);

    // The answer arrived (the window's fingerRead), or the player list did.
    void refresh();
    // Fingers the name in the box (the user for none).
    void fingerNamed();
    // The opening request, run once the dialog shows.
    void fingerOpening();

    void settleForPicture() override;

private:
    void fillPlayers();

    ServerSession& m_session;
    QComboBox* m_player;
    ServerPageView* m_view;
    bool m_opened = false;
};

} // namespace velmorak::gui
