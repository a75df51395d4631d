#include "gui/ServerChannelsDialog.h"

#include <QComboBox>
#include <QFileDialog>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <algorithm>

#include "gui/QtPrompts.h"
#include "gui/QtText.h"
#include "gui/ServerPageView.h"

namespace velmorak::gui {

namespace {

constexpr int kRefreshMs = 2500;
constexpr int kDefaultChannel = 4;
constexpr int kHighestChannel = 999;

// The page shown last, shown again at the next opening while the program runs.
QString& lastPage()
{
    static QString page = QString::fromUtf8(kServerPageName);
    return page;
}

QPushButton* addButton(QWidget* parent, QHBoxLayout* row, const QString& text)
{
    auto* button = new QPushButton(text, parent);
    row->addWidget(button);
    return button;
}

} // namespace

ServerChannelsDialog::ServerChannelsDialog(
    QWidget* parent, GameController& controller, ServerSession& session)
    : ChessDialog(parent, controller, QStringLiteral("Channels"), "Velmorak.htm#Channels",
          QDialogButtonBox::Close)
    , m_session(session)
    , m_pages(new QComboBox(this))
    , m_number(new QSpinBox(this))
    , m_leave(nullptr)
    , m_view(new ServerPageView(this))
    , m_consoleRow(new QWidget(this))
    , m_command(new QLineEdit(m_consoleRow))
    , m_logRow(new QWidget(this))
{
    m_pages->setObjectName(QStringLiteral("channelPage"));
    m_pages->setMinimumContentsLength(16);
    m_number->setObjectName(QStringLiteral("channelNumber"));
    m_number->setRange(0, kHighestChannel);
    m_number->setValue(kDefaultChannel);
    m_view->setObjectName(QStringLiteral("channelView"));
    m_view->setMinimumSize(m_view->sizeFor(72, 16));
    m_command->setObjectName(QStringLiteral("consoleCommand"));
    m_command->installEventFilter(this);

    auto* top = new QHBoxLayout;
    auto* pageLabel = new QLabel(QStringLiteral("Ch&annel:"), this);
    pageLabel->setBuddy(m_pages);
    top->addWidget(pageLabel);
    top->addWidget(m_pages, 1);
    auto* numberLabel = new QLabel(QStringLiteral("&Number:"), this);
    numberLabel->setBuddy(m_number);
    top->addSpacing(fontMetrics().averageCharWidth() * 2);
    top->addWidget(numberLabel);
    top->addWidget(m_number);
    QPushButton* joinButton = addButton(this, top, QStringLiteral("&Join"));
    m_leave = addButton(this, top, QStringLiteral("&Delete"));
    QPushButton* clearButton = addButton(this, top, QStringLiteral("Clea&r"));
    body()->addLayout(top);
    body()->addWidget(m_view, 1);

    auto* consoleLayout = new QHBoxLayout(m_consoleRow);
    consoleLayout->setContentsMargins(0, 0, 0, 0);
    auto* commandLabel = new QLabel(QStringLiteral("C&ommand:"), m_consoleRow);
    commandLabel->setBuddy(m_command);
    consoleLayout->addWidget(commandLabel);
    consoleLayout->addWidget(m_command, 1);
    QPushButton* sendButton = addButton(m_consoleRow, consoleLayout, QStringLiteral("&Send"));
    body()->addWidget(m_consoleRow);

    auto* logLayout = new QHBoxLayout(m_logRow);
    logLayout->setContentsMargins(0, 0, 0, 0);
    logLayout->addStretch(1);
    QPushButton* saveButton = addButton(m_logRow, logLayout, QStringLiteral("Sa&ve..."));
    body()->addWidget(m_logRow);

    // Return belongs to the command line: no button of the dialog takes it.
    for (QPushButton* button : findChildren<QPushButton*>())
        button->setAutoDefault(false);
    connect(joinButton, &QPushButton::clicked, this, &ServerChannelsDialog::join);
    connect(m_leave, &QPushButton::clicked, this, &ServerChannelsDialog::leave);
    connect(clearButton, &QPushButton::clicked, this, &ServerChannelsDialog::clear);
    connect(sendButton, &QPushButton::clicked, this, &ServerChannelsDialog::sendCommand);
    connect(m_command, &QLineEdit::returnPressed, this, &ServerChannelsDialog::sendCommand);
    connect(saveButton, &QPushButton::clicked, this, &ServerChannelsDialog::saveLog);
    connect(m_pages, &QComboBox::currentIndexChanged, this, [this] { pageChosen(); });
    connect(&m_timer, &QTimer::timeout, this, &ServerChannelsDialog::refresh);
    m_timer.start(kRefreshMs);

    chainTabOrder({ m_pages, m_number, joinButton, m_leave, clearButton, m_view, m_command,
        sendButton, saveButton, buttons()->button(QDialogButtonBox::Close),
        buttons()->button(QDialogButtonBox::Help) });

    fillPages();
    selectPage(lastPage());
    pageChosen();
    if (m_consoleRow->isVisibleTo(this))
        m_command->setFocus();
    else
        m_pages->setFocus();
}

QString ServerChannelsDialog::page() const
{
    return m_pages->currentText();
}

std::vector<std::string> ServerChannelsDialog::pageNames() const
{
    std::vector<std::string> names = m_session.chat().channelNames();
    // The client's log is a page like the channels once it has a line, and stays listed
    // while it is shown, emptied or not; Delete drops it until the next line.
    const bool logListed = m_session.log().page().count() > 0 || m_keepLogListed;
    if (logListed && std::find(names.begin(), names.end(), kLogPageName) == names.end())
        names.emplace_back(kLogPageName);
    return names;
}

std::string ServerChannelsDialog::pageText(const std::string& name) const
{
    if (name != kLogPageName)
        return m_session.chat().channelText(name);
    std::string text = m_session.log().text();
    if (!text.empty())
        text.pop_back(); // the last line's end
    return text;
}

void ServerChannelsDialog::fillPages()
{
    const QString shown = page();
    m_shownNames = pageNames();
    const QSignalBlocker quiet(m_pages);
    m_pages->clear();
    for (const std::string& name : m_shownNames)
        m_pages->addItem(toQString(name));
    m_pages->setCurrentIndex(std::max(0, m_pages->findText(shown)));
}

void ServerChannelsDialog::selectPage(const QString& name)
{
    const int index = m_pages->findText(name);
    m_pages->setCurrentIndex(std::max(0, index));
}

void ServerChannelsDialog::pageChosen()
{
    const std::string name = toBytes(page());
    lastPage() = page();
    m_consoleRow->setVisible(name == kServerPageName);
    m_logRow->setVisible(name == kLogPageName);
    m_leave->setEnabled(name != kServerPageName);
    setHelpAnchor(name == kLogPageName ? "Velmorak.htm#ServerLog"
            : name == kServerPageName  ? "Velmorak.htm#ServerConsole"
                                       : "Velmorak.htm#Channels");
    m_keepLogListed = name == kLogPageName;
    m_view->showPage(pageText(name), false);
}

void ServerChannelsDialog::refresh()
{
    if (pageNames() != m_shownNames) {
        fillPages();
        pageChosen();
        return;
    }
    m_view->showPage(pageText(toBytes(page())), false);
}

void ServerChannelsDialog::join()
{
    ServerCommandSink& sink = m_session.commandSink();
    const std::string_view warning = m_session.chat().joinChannel(m_number->value(), sink);
    if (!warning.empty()) {
        QtPrompts(this).showMessage(kProgramTitle, warning, MessageIcon::Exclamation);
        return;
    }
    fillPages();
    selectPage(QString::number(m_number->value()));
}

void ServerChannelsDialog::leave()
{
    const std::string name = toBytes(page());
    if (name == kLogPageName) {
        m_session.log().page().clear();
        m_keepLogListed = false;
    } else {
        ServerCommandSink& sink = m_session.commandSink();
        if (!m_session.chat().leaveChannel(name, sink))
            return;
    }
    fillPages();
    pageChosen();
}

void ServerChannelsDialog::clear()
{
    const std::string name = toBytes(page());
    if (name == kLogPageName)
        m_session.log().page().clear();
    else
        m_session.chat().clearPage(name);
    m_view->showPage(pageText(name), false);
}

void ServerChannelsDialog::sendCommand()
{
    const QString text = m_command->text();
    if (text.trimmed().isEmpty())
        return;
    m_session.sendConsoleLine(toBytes(text));
    m_command->clear();
    m_walk.restart();
    refresh();
}

bool ServerChannelsDialog::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == m_command && event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key == Qt::Key_Up || key == Qt::Key_Down) {
            const auto& history = m_session.consoleHistory();
            const std::optional<std::string> shown = key == Qt::Key_Up
                ? m_walk.older(history, toBytes(m_command->text()))
                : m_walk.newer(history);
            if (shown)
                m_command->setText(toQString(*shown));
            return true;
        }
    }
    return ChessDialog::eventFilter(watched, event);
}

void ServerChannelsDialog::saveLog()
{
    QFileDialog files(this, QStringLiteral("Save log"), QString(),
        QStringLiteral("Text files (*.txt);;All files (*)"));
    // The same dialog on every desktop, which a keyboard and a test can drive alike.
    files.setOption(QFileDialog::DontUseNativeDialog);
    files.setAcceptMode(QFileDialog::AcceptSave);
    files.setDefaultSuffix(QStringLiteral("txt"));
    files.selectFile(QStringLiteral("vmklog.txt"));
    if (files.exec() != QDialog::Accepted || files.selectedFiles().isEmpty())
        return;
    if (Status saved = m_session.log().saveTo(toBytes(files.selectedFiles().first())); !saved)
        QtPrompts(this).showMessage(kProgramTitle, saved.error().message, MessageIcon::Exclamation);
}

} // namespace velmorak::gui
