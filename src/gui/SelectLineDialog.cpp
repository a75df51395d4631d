#include "gui/SelectLineDialog.h"

#include <QLabel>
#include <QListWidget>
#include <QVBoxLayout>

#include "gui/QtText.h"
#include "record/CGameNode.h"

namespace velmorak::gui {

SelectLineDialog::SelectLineDialog(QWidget* parent, GameController& controller, const CGameNode& at)
    : ChessDialog(parent, controller, QStringLiteral("Select line"), "Velmorak.htm#SelectLine",
          QDialogButtonBox::Ok)
    , m_lines(new QListWidget(this))
{
    auto* label = new QLabel(QStringLiteral("&Lines:"), this);
    label->setBuddy(m_lines);
    m_lines->setAccessibleName(QStringLiteral("Lines:"));
    for (int i = 0; i < at.childCount(); ++i)
        m_lines->addItem(toQString(lineText(*at.child(i), kShownPlies)));
    m_lines->setCurrentRow(0);
    body()->addWidget(label);
    body()->addWidget(m_lines, 1);
    connect(m_lines, &QListWidget::itemActivated, this, &QDialog::accept);
    connect(m_lines, &QListWidget::itemClicked, this, &QDialog::accept);
}

int SelectLineDialog::answer() const
{
    return result() == QDialog::Accepted ? std::max(0, m_lines->currentRow()) : 0;
}

} // namespace velmorak::gui
