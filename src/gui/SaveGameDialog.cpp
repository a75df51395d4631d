#include "gui/SaveGameDialog.h"

#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include "gui/QtText.h"

namespace velmorak::gui {

SaveGameDialog::SaveGameDialog(
    QWidget* parent, GameController& controller, std::function<void()> editDetails)
    : ChessDialog(parent, controller, QStringLiteral("Save game"), "Velmorak.htm#SaveGame",
          QDialogButtonBox::Cancel)
    , m_editDetails(std::move(editDetails))
    , m_current(new QPushButton(this))
    , m_replace(new QPushButton(this))
{
    DatabaseSession& databases = controller.databases();
    body()->addWidget(new QLabel(QStringLiteral("Save current game in"), this));
    // Without an open database there is nothing to add to or replace in.
    if (databases.isOpen()) {
        m_current->setText(toQString(databases.fileLabel()));
        m_current->setToolTip(QStringLiteral("Add the game to the open database"));
        m_replace->setText(toQString(databases.replaceLabel()));
        m_replace->setToolTip(QStringLiteral("Put the game in place of the one selected in it"));
    }
    m_current->setVisible(databases.isOpen());
    m_replace->setVisible(databases.isOpen());
    auto* fresh = new QPushButton(QStringLiteral("&New database"), this);
    auto* chosen = new QPushButton(QStringLiteral("&Select database"), this);
    auto* details = new QPushButton(QStringLiteral("&Edit game details"), this);
    for (QPushButton* button : { m_current, fresh, chosen, m_replace, details }) {
        button->setAutoDefault(false);
        body()->addWidget(button);
    }
    m_current->setDefault(databases.isOpen());

    connect(m_current, &QPushButton::clicked, this,
        [this, &databases] { finish(databases.saveToCurrent()); });
    connect(
        fresh, &QPushButton::clicked, this, [this, &databases] { finish(databases.saveToNew()); });
    connect(chosen, &QPushButton::clicked, this,
        [this, &databases] { finish(databases.saveToChosen()); });
    connect(m_replace, &QPushButton::clicked, this, &SaveGameDialog::replace);
    connect(details, &QPushButton::clicked, this, [this] { m_editDetails(); });
}

void SaveGameDialog::replace()
{
    m_editDetails();
    finish(controller().databases().replaceSelected());
}

void SaveGameDialog::finish(DatabaseSession::SaveOutcome outcome)
{
    // A cancelled or failed save leaves the choice open (the reason has been shown).
    if (outcome == DatabaseSession::SaveOutcome::Saved)
        accept();
}

} // namespace velmorak::gui
