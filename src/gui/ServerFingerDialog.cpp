#include "gui/ServerFingerDialog.h"

#include <QComboBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>
#include <utility>

#include "gui/QtText.h"
#include "gui/ServerPageView.h"
#include "present/FingerAtOpening.h"

namespace velmorak::gui {

namespace {

// "name (rating)" of the player list: the name alone.
QString playerName(const QString& entry)
{
    return entry.section(u' ', 0, 0).trimmed();
}

} // namespace

ServerFingerDialog::ServerFingerDialog(
    QWidget* parent, GameController& controller, ServerSession& session)
    : ChessDialog(parent, controller, QStringLiteral("Finger"), "Velmorak.htm#Finger",
          QDialogButtonBox::Close)
    , m_session(session)
    , m_player(new QComboBox(this))
    , m_view(new ServerPageView(this))
{
    m_player->setObjectName(QStringLiteral("fingerPlayer"));
    m_player->setEditable(true);
    m_player->setInsertPolicy(QComboBox::NoInsert);
    m_player->setMinimumContentsLength(20);
    m_view->setObjectName(QStringLiteral("fingerView"));
    m_view->setFollowsEnd(false);
    m_view->setMinimumSize(m_view->sizeFor(80, 20));
    auto* finger = new QPushButton(QStringLiteral("&Finger"), this);
    auto* label = new QLabel(QStringLiteral("&Player:"), this);
    label->setBuddy(m_player);
    auto* row = new QHBoxLayout;
    row->addWidget(label);
    row->addWidget(m_player, 1);
    row->addWidget(finger);
    body()->addLayout(row);
    body()->addWidget(m_view, 1);

    // Return in the name field fingers; Escape closes.
    for (QAbstractButton* button : buttons()->buttons())
        if (auto* push = qobject_cast<QPushButton*>(button))
            push->setAutoDefault(false);
    finger->setDefault(true);
    connect(finger, &QPushButton::clicked, this, &ServerFingerDialog::fingerNamed);

    chainTabOrder({ m_player, finger, m_view, buttons()->button(QDialogButtonBox::Close),
        buttons()->button(QDialogButtonBox::Help) });
    fillPlayers();
    m_player->clearEditText();
    refresh();
    m_player->setFocus();
    // The answer is waited for with the dialog on the screen.
    QTimer::singleShot(0, this, [this] { fingerOpening(); });
}

void ServerFingerDialog::fillPlayers()
{
    const QString typed = m_player->currentText();
    const QSignalBlocker quiet(m_player);
    m_player->clear();
    for (const std::string& entry : m_session.lists().whoList())
        m_player->addItem(toQString(entry));
    m_player->setEditText(typed);
}

void ServerFingerDialog::fingerOpening()
{
    if (std::exchange(m_opened, true))
        return;
    fingerAtOpening(m_session, controller());
    refresh();
}

void ServerFingerDialog::settleForPicture()
{
    fingerOpening();
}

void ServerFingerDialog::fingerNamed()
{
    m_opened = true;
    m_session.finger().clear();
    m_session.requestFinger(toBytes(playerName(m_player->currentText())));
    refresh();
}

void ServerFingerDialog::refresh()
{
    if (static_cast<std::size_t>(m_player->count()) != m_session.lists().whoList().size())
        fillPlayers();
    m_view->showPage(m_session.finger().text(), false);
}

} // namespace velmorak::gui
