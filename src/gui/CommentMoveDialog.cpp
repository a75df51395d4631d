#include "gui/CommentMoveDialog.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "gui/QtText.h"

namespace velmorak::gui {

CommentMoveDialog::CommentMoveDialog(
    QWidget* parent, GameController& controller, std::unique_ptr<CommentMove> move)
    : ChessDialog(parent, controller, QStringLiteral("Comment move"), "Velmorak.htm#CommentMove",
          QDialogButtonBox::Ok)
    , m_move(std::move(move))
    , m_label(new QLabel(this))
    , m_comment(new QPlainTextEdit(this))
{
    auto* moveRow = new QHBoxLayout;
    moveRow->addWidget(new QLabel(QStringLiteral("Move:"), this));
    m_label->setObjectName(QStringLiteral("moveLabel"));
    m_label->setText(toQString(m_move->label()));
    moveRow->addWidget(m_label, 1);
    body()->addLayout(moveRow);

    auto* nags = new QHBoxLayout;
    for (int choice = 0; choice < int(std::size(CommentMove::kNagButtons)); ++choice) {
        const std::string_view text = CommentMove::kNagButtons[std::size_t(choice)];
        auto* button = new QPushButton(toQString(text), this);
        button->setAutoDefault(false);
        if (choice == 0)
            button->setAccessibleName(QStringLiteral("No annotation"));
        connect(button, &QPushButton::clicked, this, [this, choice] {
            m_move->setNag(choice);
            m_label->setText(toQString(m_move->label()));
        });
        nags->addWidget(button);
    }
    body()->addLayout(nags);

    auto* commentLabel = new QLabel(QStringLiteral("&Comment:"), this);
    commentLabel->setBuddy(m_comment);
    body()->addWidget(commentLabel);
    m_comment->setPlainText(toQString(m_move->comment()));
    m_comment->setTabChangesFocus(true);
    body()->addWidget(m_comment, 1);

    auto* promote =
        buttons()->addButton(QStringLiteral("&Promote line"), QDialogButtonBox::ActionRole);
    auto* remove =
        buttons()->addButton(QStringLiteral("&Delete line"), QDialogButtonBox::ActionRole);
    promote->setAutoDefault(false);
    remove->setAutoDefault(false);
    connect(promote, &QPushButton::clicked, this, [this] {
        m_move->promote(toBytes(m_comment->toPlainText()));
        QDialog::accept();
    });
    connect(remove, &QPushButton::clicked, this, [this] {
        // A line that went takes its comment with it; a "No" keeps the dialog open.
        if (m_move->deleteLine())
            QDialog::accept();
    });
    m_comment->setFocus();
}

void CommentMoveDialog::accept()
{
    m_move->close(toBytes(m_comment->toPlainText()));
    QDialog::accept();
}

void CommentMoveDialog::reject()
{
    accept();
}

} // namespace velmorak::gui
