#include "gui/AcceptMatchDialog.h"

#include <QApplication>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include "gui/QtText.h"
#include "server/ServerOffers.h"

namespace velmorak::gui {

AcceptMatchDialog::AcceptMatchDialog(
    QWidget* parent, GameController& controller, const ServerChallenge& challenge)
    : ChessDialog(parent, controller, QStringLiteral("Accept match"), "Velmorak.htm#AcceptMatch",
          QDialogButtonBox::NoButton)
{
    const std::pair<const std::string*, QString> lines[] = {
        { &challenge.players(), QStringLiteral("players") },
        { &challenge.terms(), QStringLiteral("terms") },
        { &challenge.note(), QStringLiteral("note") },
    };
    for (const auto& [text, name] : lines) {
        auto* label = new QLabel(toQString(*text), this);
        label->setObjectName(name);
        label->setTextInteractionFlags(Qt::TextSelectableByMouse);
        body()->addWidget(label);
    }
    setMinimumWidth(fontMetrics().averageCharWidth() * 40);
    buttons()->addButton(QStringLiteral("&Accept"), QDialogButtonBox::AcceptRole);
    QPushButton* decline =
        buttons()->addButton(QStringLiteral("&Decline"), QDialogButtonBox::RejectRole);
    // The challenge may pop up while the user types: Return declines (as OK does), and a
    // Space hits Decline too. Accepting takes a click or Alt+A.
    for (QAbstractButton* button : buttons()->buttons())
        if (auto* push = qobject_cast<QPushButton*>(button))
            push->setAutoDefault(false);
    decline->setDefault(true);
    putButtonsLastInTabOrder();
    decline->setFocus();
}

void AcceptMatchDialog::showEvent(QShowEvent* event)
{
    ChessDialog::showEvent(event);
    // A challenge comes unasked: the sound calls the user back to the window.
    if (!m_beeped) {
        m_beeped = true;
        QApplication::beep();
    }
}

} // namespace velmorak::gui
