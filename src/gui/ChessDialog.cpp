#include "gui/ChessDialog.h"

#include <QAbstractButton>
#include <QKeySequence>
#include <QLayout>
#include <QShortcut>
#include <QVBoxLayout>

#include "app/ControllerPrompts.h"
#include "gui/Manual.h"
#include "gui/QtPrompts.h"

namespace velmorak::gui {

ChessDialog::ChessDialog(QWidget* parent, GameController& controller, const QString& title,
    std::string_view helpAnchor, QDialogButtonBox::StandardButtons buttons)
    : QDialog(parent)
    , m_controller(controller)
    , m_open(controller)
    , m_helpAnchor(helpAnchor)
    , m_body(new QVBoxLayout)
    , m_buttons(new QDialogButtonBox(buttons | QDialogButtonBox::Help, this))
{
    setWindowTitle(title);
    setModal(true);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(m_body, 1);
    layout->addWidget(m_buttons);
    connect(m_buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(m_buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(m_buttons, &QDialogButtonBox::helpRequested, this, &ChessDialog::showHelp);
    auto* f1 = new QShortcut(QKeySequence::HelpContents, this);
    f1->setContext(Qt::WindowShortcut);
    connect(f1, &QShortcut::activated, this, &ChessDialog::showHelp);
}

void ChessDialog::putButtonsLastInTabOrder()
{
    QWidget* last = nullptr;
    for (QWidget* w = nextInFocusChain(); w && w != this; w = w->nextInFocusChain())
        if ((w->focusPolicy() & Qt::TabFocus) && isAncestorOf(w) && !m_buttons->isAncestorOf(w))
            last = w;
    // In the order they are seen, left to right: the box's layout holds them so.
    QLayout* row = m_buttons->layout();
    for (int i = 0; row && i < row->count(); ++i) {
        auto* button = qobject_cast<QAbstractButton*>(row->itemAt(i)->widget());
        if (!button)
            continue;
        if (last)
            setTabOrder(last, button);
        last = button;
    }
}

void ChessDialog::showHelp()
{
    if (Status opened = openManual(m_helpAnchor); !opened)
        QtPrompts(this).showMessage(
            kProgramTitle, opened.error().message, MessageIcon::Exclamation);
}

} // namespace velmorak::gui
