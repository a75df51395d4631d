#include "gui/ChessDialog.h"

#include <QKeySequence>
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

void ChessDialog::showHelp()
{
    if (Status opened = openManual(m_helpAnchor); !opened)
        QtPrompts(this).showMessage(
            kProgramTitle, opened.error().message, MessageIcon::Exclamation);
}

} // namespace velmorak::gui
