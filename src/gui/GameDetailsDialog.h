#pragma once

#include "app/GameDetails.h"
#include "gui/ChessDialog.h"

class QComboBox;
class QLineEdit;

namespace velmorak::gui {

// "Game details": the players, event, site, date and result of the current game and its
// other tags, edited in a copy; OK writes what was changed, "Undo" starts again from the
// game.
class GameDetailsDialog : public ChessDialog {
public:
    GameDetailsDialog(QWidget* parent, GameController& controller, GameDetails details);

    void accept() override;

private:
    // The fields from the copy.
    void fill();
    // The copy from the fields.
    void read();
    void showOtherTag();

    GameDetails m_details;
    QComboBox* m_white;
    QComboBox* m_black;
    QLineEdit* m_event;
    QLineEdit* m_site;
    QLineEdit* m_date;
    QComboBox* m_result;
    QComboBox* m_tag;
    QLineEdit* m_value;
};

} // namespace velmorak::gui
