#include "gui/ServerVariablesDialog.h"

#include <QFormLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>
#include <QTreeWidget>
#include <utility>

#include "gui/QtText.h"
#include "gui/ServerPageView.h"

namespace velmorak::gui {

ServerVariablesDialog::ServerVariablesDialog(
    QWidget* parent, GameController& controller, ServerSession& session)
    : ChessDialog(parent, controller, QStringLiteral("Variables"), "Velmorak.htm#Variables",
          QDialogButtonBox::Close)
    , m_session(session)
    , m_list(new QTreeWidget(this))
    , m_name(new QLabel(this))
    , m_value(new QLineEdit(this))
{
    m_list->setObjectName(QStringLiteral("variableList"));
    m_list->setHeaderLabels({ QStringLiteral("Variablename"), QStringLiteral("Value") });
    m_list->setRootIsDecorated(false);
    m_list->setUniformRowHeights(true);
    m_list->setAllColumnsShowFocus(true);
    m_list->header()->setStretchLastSection(true);
    m_list->setMinimumSize(fontMetrics().averageCharWidth() * 48, fontMetrics().height() * 16);
    m_name->setObjectName(QStringLiteral("variableName"));
    m_value->setObjectName(QStringLiteral("variableValue"));
    m_value->setEnabled(false);
    auto* listLabel = new QLabel(QStringLiteral("&Variables:"), this);
    listLabel->setBuddy(m_list);
    body()->addWidget(listLabel);
    body()->addWidget(m_list, 1);
    auto* form = new QFormLayout;
    form->addRow(QStringLiteral("Name:"), m_name);
    auto* valueLabel = new QLabel(QStringLiteral("V&alue:"), this);
    valueLabel->setBuddy(m_value);
    form->addRow(valueLabel, m_value);
    body()->addLayout(form);

    connect(m_list, &QTreeWidget::currentItemChanged, this, [this] { picked(); });
    // Return in the value field stores it, rather than closing the dialog.
    connect(m_value, &QLineEdit::returnPressed, this, [this] { storeEdited(); });
    for (QAbstractButton* button : buttons()->buttons())
        if (auto* push = qobject_cast<QPushButton*>(button))
            push->setAutoDefault(false);

    chainTabOrder({ m_list, m_value, buttons()->button(QDialogButtonBox::Close),
        buttons()->button(QDialogButtonBox::Help) });
    m_list->setFocus();

    refresh();
    // The answer is waited for with the dialog on the screen.
    QTimer::singleShot(0, this, [this] { request(); });
}

void ServerVariablesDialog::request()
{
    if (std::exchange(m_requested, true))
        return;
    m_session.requestVariables();
    refresh();
}

void ServerVariablesDialog::settleForPicture()
{
    request();
}

void ServerVariablesDialog::refresh()
{
    const auto& names = m_session.variables().names();
    const auto& values = m_session.variables().values();
    QSignalBlocker quiet(m_list);
    m_list->clear();
    QTreeWidgetItem* current = nullptr;
    for (std::size_t i = 0; i < names.size() && i < values.size(); ++i) {
        auto* item = new QTreeWidgetItem(m_list, { toQString(names[i]), toQString(values[i]) });
        if (names[i] == m_editing)
            current = item;
    }
    m_list->resizeColumnToContents(0);
    if (current) {
        m_list->setCurrentItem(current);
        return;
    }
    m_editing.clear();
    m_name->clear();
    m_value->clear();
    m_value->setEnabled(false);
    // A variable picked at once: the keyboard can go straight to its value.
    if (m_list->topLevelItemCount() > 0) {
        quiet.unblock();
        m_list->setCurrentItem(m_list->topLevelItem(0));
    }
}

void ServerVariablesDialog::storeEdited()
{
    if (m_editing.empty())
        return;
    ServerCommandSink& sink = m_session.commandSink();
    if (!m_session.variables().setVariable(m_editing, toBytes(m_value->text()), sink))
        return;
    for (int row = 0; row < m_list->topLevelItemCount(); ++row)
        if (QTreeWidgetItem* item = m_list->topLevelItem(row); toBytes(item->text(0)) == m_editing)
            item->setText(1, m_value->text());
}

void ServerVariablesDialog::picked()
{
    storeEdited();
    QTreeWidgetItem* item = m_list->currentItem();
    m_editing = item ? toBytes(item->text(0)) : std::string();
    m_name->setText(item ? item->text(0) : QString());
    m_value->setText(item ? item->text(1) : QString());
    m_value->setEnabled(item != nullptr);
}

void ServerVariablesDialog::done(int result)
{
    storeEdited();
    ChessDialog::done(result);
}

} // namespace velmorak::gui
