#pragma once

#include "gui/ChessDialog.h"

class QListWidget;

namespace velmorak {
class CGameNode;
}

namespace velmorak::gui {

// "Select line": Forward at a node with several lines asks which to follow. A tap on a line
// (or OK) answers it; closing the window answers the main line.
class SelectLineDialog : public ChessDialog {
public:
    static constexpr int kShownPlies = 4;

    SelectLineDialog(QWidget* parent, GameController& controller, const CGameNode& at);

    // The index of the chosen line; 0 unless it was accepted.
    int answer() const;

private:
    QListWidget* m_lines;
};

} // namespace velmorak::gui
