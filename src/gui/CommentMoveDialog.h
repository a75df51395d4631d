#pragma once

#include <memory>

#include "app/CommentMove.h"
#include "gui/ChessDialog.h"

class QLabel;
class QPlainTextEdit;

namespace velmorak::gui {

// "Comment move": the move last tapped in the move list (else the current one), its NAG
// buttons, its comment, "Promote line" and "Delete line". Closing stores the comment.
class CommentMoveDialog : public ChessDialog {
public:
    // `move` must be open (CommentMove::isOpen()).
    CommentMoveDialog(
        QWidget* parent, GameController& controller, std::unique_ptr<CommentMove> move);

    QPlainTextEdit* commentField() const { return m_comment; }
    QLabel* moveLabel() const { return m_label; }

    void accept() override;
    // The Escape key and the window's close button close as OK does: the dialog has no
    // Cancel, what was typed is kept.
    void reject() override;

private:
    std::unique_ptr<CommentMove> m_move;
    QLabel* m_label;
    QPlainTextEdit* m_comment;
};

} // namespace velmorak::gui
