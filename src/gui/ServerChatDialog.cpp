#include "gui/ServerChatDialog.h"

#include <QComboBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include "gui/QtText.h"
#include "gui/ServerPageView.h"

namespace velmorak::gui {

namespace {

// The longest message the server takes in one line.
constexpr int kMaxMessageLength = 1023;
// How often the open dialog looks for new pages besides being told of them.
constexpr int kRefreshMs = 2500;

} // namespace

ServerChatDialog::ServerChatDialog(
    QWidget* parent, GameController& controller, ServerSession& session)
    : ChessDialog(
          parent, controller, QStringLiteral("Chat"), "Velmorak.htm#Chat", QDialogButtonBox::Close)
    , m_session(session)
    , m_target(new QComboBox(this))
    , m_view(new ServerPageView(this))
    , m_message(new QComboBox(this))
    , m_send(new QPushButton(QStringLiteral("&Send"), this))
{
    m_target->setObjectName(QStringLiteral("chatTarget"));
    // A new name typed here starts a conversation with that player.
    m_target->setEditable(true);
    m_target->setInsertPolicy(QComboBox::NoInsert);
    m_target->setMinimumContentsLength(16);
    m_view->setObjectName(QStringLiteral("chatView"));
    m_view->setMinimumSize(m_view->sizeFor(64, 14));
    m_message->setObjectName(QStringLiteral("chatMessage"));
    m_message->setEditable(true);
    m_message->setInsertPolicy(QComboBox::NoInsert);
    m_message->lineEdit()->setMaxLength(kMaxMessageLength);
    m_message->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);

    auto* targetLabel = new QLabel(QStringLiteral("&To:"), this);
    targetLabel->setBuddy(m_target);
    auto* top = new QHBoxLayout;
    top->addWidget(targetLabel);
    top->addWidget(m_target, 1);
    body()->addLayout(top);
    body()->addWidget(m_view, 1);
    auto* messageLabel = new QLabel(QStringLiteral("&Message:"), this);
    messageLabel->setBuddy(m_message);
    auto* bottom = new QHBoxLayout;
    bottom->addWidget(messageLabel);
    bottom->addWidget(m_message, 1);
    bottom->addWidget(m_send);
    body()->addLayout(bottom);

    // Return in the message field sends; Close then needs its own key (Escape).
    for (QAbstractButton* button : buttons()->buttons())
        if (auto* push = qobject_cast<QPushButton*>(button))
            push->setAutoDefault(false);
    m_send->setDefault(true);
    connect(m_send, &QPushButton::clicked, this, &ServerChatDialog::send);
    connect(m_target, &QComboBox::activated, this, [this] { showTarget(); });
    connect(m_target->lineEdit(), &QLineEdit::editingFinished, this, [this] { showTarget(); });
    connect(&m_timer, &QTimer::timeout, this, &ServerChatDialog::refresh);
    m_timer.start(kRefreshMs);

    chainTabOrder({ m_target, m_view, m_message, m_send, buttons()->button(QDialogButtonBox::Close),
        buttons()->button(QDialogButtonBox::Help) });
    m_session.chat().markChatRead();
    fillTargets(m_session.chat().chooseTarget());
    fillHistory();
    showTarget();
    m_message->setFocus();
}

QString ServerChatDialog::target() const
{
    return m_target->currentText().trimmed();
}

void ServerChatDialog::fillTargets(const std::string& select)
{
    const auto& partners = m_session.chat().chatPartners();
    m_partnerCount = partners.size();
    const QSignalBlocker quiet(m_target);
    m_target->clear();
    m_target->addItem(toQString(m_session.dialect().sConsoleName));
    for (const std::string& partner : partners)
        m_target->addItem(toQString(partner));
    const int index = m_target->findText(toQString(select));
    if (index >= 0)
        m_target->setCurrentIndex(index);
    else
        m_target->setEditText(toQString(select));
}

void ServerChatDialog::fillHistory()
{
    const QSignalBlocker quiet(m_message);
    m_message->clear();
    for (const std::string& line : m_session.chat().chatHistory())
        m_message->addItem(toQString(line));
    m_message->setCurrentIndex(-1);
    m_message->clearEditText();
}

void ServerChatDialog::showTarget()
{
    m_view->showPage(m_session.chat().pageText(toBytes(target())), false);
}

void ServerChatDialog::refresh()
{
    if (m_session.chat().chatPartners().size() != m_partnerCount)
        fillTargets(toBytes(target()));
    m_view->showPage(m_session.chat().pageText(toBytes(target())), true);
}

void ServerChatDialog::send()
{
    const std::string to = toBytes(target());
    const QString message = m_message->currentText();
    // Return after typing a new partner's name shows his page; there is nothing to send.
    if (to.empty() || message.trimmed().isEmpty()) {
        showTarget();
        return;
    }
    // A line break pasted into the field stays in the page; the session sends one line.
    if (!m_session.sendChat(to, toBytes(message)))
        return;
    fillTargets(to);
    fillHistory();
    showTarget();
}

void ServerChatDialog::done(int result)
{
    m_timer.stop();
    m_session.chat().markChatRead();
    ChessDialog::done(result);
}

} // namespace velmorak::gui
