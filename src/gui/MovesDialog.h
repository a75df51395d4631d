#pragma once

#include <QTimer>
#include <functional>
#include <optional>
#include <vector>

#include "gui/ChessDialog.h"
#include "present/GameMovesText.h"

class QCheckBox;
class QPlainTextEdit;

namespace velmorak {
class RegistrySettings;
}

namespace velmorak::gui {

// "Moves": the current game as text, its current move selected; a selection always covers
// one whole move. OK goes to the selected move; "..." goes there and comments it.
class MovesDialog : public ChessDialog {
public:
    // `commentMove` opens the comment dialog for the current move.
    MovesDialog(QWidget* parent, GameController& controller, RegistrySettings& settings,
        std::function<void()> commentMove);

    // The move the selection's middle lies in; nullopt when none.
    std::optional<GameMovesText::Span> selectedMove() const;
    QPlainTextEdit* textView() const { return m_text; }

    void accept() override;

protected:
    // Left and Right step from move to move.
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void render();
    void select(const GameMovesText::Span& span);
    // A selection that is not one whole move becomes the move at its end.
    void snapSelection();
    void commentSelected();
    int shown(int byteOffset) const;
    int byteAt(int shownOffset) const;

    RegistrySettings& m_settings;
    std::function<void()> m_commentMove;
    QCheckBox* m_info;
    QCheckBox* m_comments;
    QCheckBox* m_lines;
    QPlainTextEdit* m_text;
    std::optional<GameMovesText> m_moves;
    std::vector<int> m_shownOffsets;
    QTimer m_selectionWatch;
    int m_selectionStart = -1;
    int m_selectionEnd = -1;
};

} // namespace velmorak::gui
