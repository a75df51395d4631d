#include "gui/ServerLoginDialog.h"

#include <QComboBox>
#include <QFormLayout>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QVBoxLayout>
#include <utility>

#include "app/ServerSession.h"
#include "gui/QtText.h"
#include "server/ServerDialect.h"

namespace velmorak::gui {

namespace {

constexpr int kMaxPort = 65535;

} // namespace

ServerLoginDialog::ServerLoginDialog(QWidget* parent, GameController& controller,
    ServerSession& session, std::function<void(int)> openSheet)
    : ChessDialog(parent, controller, QStringLiteral("Login"), "Velmorak.htm#FICSLogin")
    , m_session(session)
    , m_openSheet(std::move(openSheet))
    , m_server(new QComboBox(this))
    , m_port(new QSpinBox(this))
    , m_handle(new QLineEdit(this))
    , m_password(new QLineEdit(this))
    , m_login(new QPushButton(this))
    , m_guest(new QPushButton(QStringLiteral("Login as &guest"), this))
{
    m_server->setObjectName(QStringLiteral("server"));
    m_server->setEditable(true);
    m_server->setInsertPolicy(QComboBox::NoInsert);
    for (const ServerDialect& dialect : makeServerDialects())
        m_server->addItem(toQString(dialect.sName));
    m_port->setObjectName(QStringLiteral("port"));
    m_port->setRange(1, kMaxPort);
    m_handle->setObjectName(QStringLiteral("handle"));
    m_password->setObjectName(QStringLiteral("password"));
    m_password->setEchoMode(QLineEdit::Password);

    auto* form = new QFormLayout;
    const std::pair<QString, QWidget*> rows[] = {
        { QStringLiteral("&Server:"), m_server },
        { QStringLiteral("P&ort:"), m_port },
        { QStringLiteral("&Handle:"), m_handle },
        { QStringLiteral("Pass&word:"), m_password },
    };
    for (const auto& [text, field] : rows) {
        auto* label = new QLabel(text, this);
        label->setBuddy(field);
        form->addRow(label, field);
    }
    body()->addLayout(form);

    m_login->setObjectName(QStringLiteral("login"));
    auto* actions = new QGridLayout;
    actions->addWidget(m_login, 0, 0);
    actions->addWidget(m_guest, 0, 1);
    auto* help = new QPushButton(QStringLiteral("&Display help"), this);
    actions->addWidget(help, 0, 2);
    const QString pageTexts[] = { QStringLiteral("S&eek"), QStringLiteral("O&bserve"),
        QStringLiteral("&Adjourned") };
    const int pageNumbers[] = { 0, 2, 3 };
    for (int i = 0; i < 3; ++i) {
        m_pages[i] = new QPushButton(pageTexts[i], this);
        actions->addWidget(m_pages[i], 1, i);
        const int page = pageNumbers[i];
        connect(m_pages[i], &QPushButton::clicked, this, [this, page] {
            setAfterClose([open = m_openSheet, page] { open(page); });
            accept();
        });
    }
    body()->addLayout(actions);
    auto* tip = new QLabel(
        QStringLiteral("Tip: tap and hold below the board to offer a draw, flag, resign, ..."),
        this);
    tip->setWordWrap(true);
    body()->addWidget(tip);
    for (QPushButton* button : findChildren<QPushButton*>())
        button->setAutoDefault(false);

    connect(m_server, &QComboBox::activated, this, &ServerLoginDialog::chooseServer);
    connect(m_handle, &QLineEdit::textChanged, this, &ServerLoginDialog::showState);
    connect(m_password, &QLineEdit::textChanged, this, &ServerLoginDialog::showState);
    connect(m_login, &QPushButton::clicked, this, [this] { logInOrOut(false); });
    connect(m_guest, &QPushButton::clicked, this, [this] { logInOrOut(true); });
    connect(help, &QPushButton::clicked, this, &ChessDialog::showHelp);

    m_server->setCurrentIndex(m_session.dialectIndex());
    fillFromDialect();
    putButtonsLastInTabOrder();
}

void ServerLoginDialog::chooseServer(int dialect)
{
    if (m_session.connected())
        return;
    m_session.selectDialect(dialect);
    fillFromDialect();
}

void ServerLoginDialog::fillFromDialect()
{
    const ServerDialect& dialect = m_session.dialect();
    m_port->setValue(dialect.nPort);
    m_handle->setText(toQString(dialect.sHandle));
    m_password->setText(toQString(dialect.sPassword));
    showState();
}

void ServerLoginDialog::storeFields()
{
    m_session.storeLogin(m_port->value(), toBytes(m_handle->text()), toBytes(m_password->text()));
}

std::string ServerLoginDialog::serverText() const
{
    return toBytes(m_server->currentText().trimmed());
}

void ServerLoginDialog::logInOrOut(bool guest)
{
    if (m_busy)
        return;
    m_busy = true;
    showState();
    if (m_session.connected()) {
        m_session.logOut();
    } else {
        // A typed host keeps the current dialect; picking a name from the list chose it.
        storeFields();
        if (guest)
            m_session.logInAsGuest(serverText());
        else
            m_session.logIn(serverText());
    }
    m_busy = false;
    showState();
}

void ServerLoginDialog::showState()
{
    const bool online = m_session.connected();
    m_login->setText(online ? QStringLiteral("Log&out") : QStringLiteral("&Login"));
    // Return logs in from the fields; it never logs out.
    m_login->setDefault(!online);
    m_login->setEnabled(
        !m_busy && (online || (!m_handle->text().isEmpty() && !m_password->text().isEmpty())));
    m_guest->setEnabled(!m_busy && !online);
    for (QPushButton* page : m_pages)
        page->setEnabled(!m_busy && online);
    for (QWidget* field :
        std::initializer_list<QWidget*> { m_server, m_port, m_handle, m_password })
        field->setEnabled(!m_busy && !online);
}

void ServerLoginDialog::done(int result)
{
    // The window waits in the dialog's loop while a login runs; the dialog stays until it ends.
    if (m_busy)
        return;
    if (!m_session.connected())
        storeFields();
    ChessDialog::done(result);
}

} // namespace velmorak::gui
