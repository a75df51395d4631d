#include "gui/GameDetailsDialog.h"

#include <QComboBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "gui/QtPrompts.h"
#include "gui/QtText.h"

namespace velmorak::gui {

namespace {

QComboBox* nameBox(QWidget* parent, const std::vector<std::string>& names)
{
    auto* box = new QComboBox(parent);
    box->setEditable(true);
    box->setInsertPolicy(QComboBox::NoInsert);
    for (const std::string& name : names)
        box->addItem(toQString(name));
    return box;
}

// The drop-down shows `value` even when it is none of its items (a result a file wrote
// otherwise): what nobody edits is written back as it was.
void showValue(QComboBox* box, const std::string& value)
{
    const QString text = toQString(value);
    if (box->isEditable()) {
        box->setEditText(text);
        return;
    }
    int index = box->findText(text);
    if (index < 0) {
        box->addItem(text);
        index = box->count() - 1;
    }
    box->setCurrentIndex(index);
}

} // namespace

GameDetailsDialog::GameDetailsDialog(
    QWidget* parent, GameController& controller, GameDetails details)
    : ChessDialog(parent, controller, QStringLiteral("Game details"), "Velmorak.htm#GameDetails")
    , m_details(std::move(details))
    , m_white(nameBox(this, m_details.playerNames()))
    , m_black(nameBox(this, m_details.playerNames()))
    , m_event(new QLineEdit(this))
    , m_site(new QLineEdit(this))
    , m_date(new QLineEdit(this))
    , m_result(new QComboBox(this))
    , m_tag(new QComboBox(this))
    , m_value(new QLineEdit(this))
{
    for (std::string_view result : GameDetails::kResults)
        m_result->addItem(toQString(result));
    m_tag->setEditable(true);
    m_tag->setInsertPolicy(QComboBox::NoInsert);
    m_tag->setToolTip(QStringLiteral("Choose a tag, or type the name of a new one"));

    auto* form = new QFormLayout;
    form->addRow(QStringLiteral("&White:"), m_white);
    form->addRow(QStringLiteral("&Black:"), m_black);
    form->addRow(QStringLiteral("&Event:"), m_event);
    form->addRow(QStringLiteral("&Site:"), m_site);
    form->addRow(QStringLiteral("&Date:"), m_date);
    form->addRow(QStringLiteral("&Result:"), m_result);
    auto* other = new QHBoxLayout;
    other->addWidget(m_tag, 1);
    other->addWidget(m_value, 2);
    // A row of two fields gets no buddy of its own: the label names the drop-down.
    auto* tagLabel = new QLabel(QStringLiteral("&Tag:"), this);
    tagLabel->setBuddy(m_tag);
    form->addRow(tagLabel, other);
    body()->addLayout(form);

    auto* undo = buttons()->addButton(QStringLiteral("&Undo"), QDialogButtonBox::ResetRole);
    connect(undo, &QPushButton::clicked, this, [this] {
        m_details.undo();
        fill();
    });
    connect(m_tag, &QComboBox::currentTextChanged, this, &GameDetailsDialog::showOtherTag);
    connect(m_value, &QLineEdit::textEdited, this, [this](const QString& value) {
        const std::string name = toBytes(m_tag->currentText().trimmed());
        if (!m_details.setOtherTag(name, toBytes(value))) {
            QtPrompts(this).showMessage(kProgramTitle,
                "'" + name + "' cannot be a tag name: use letters, digits and '_'",
                MessageIcon::Exclamation);
            m_value->clear();
            return;
        }
        if (m_tag->findText(toQString(name)) < 0)
            m_tag->addItem(toQString(name));
    });
    fill();
}

void GameDetailsDialog::fill()
{
    showValue(m_white, m_details.white);
    showValue(m_black, m_details.black);
    m_event->setText(toQString(m_details.event));
    m_site->setText(toQString(m_details.site));
    m_date->setText(toQString(m_details.date));
    showValue(m_result, m_details.result);
    const QString chosen = m_tag->currentText();
    m_tag->clear();
    for (const TagPair& tag : m_details.otherTags())
        m_tag->addItem(toQString(tag.name));
    if (!chosen.isEmpty() && m_tag->findText(chosen) >= 0)
        m_tag->setCurrentText(chosen);
    showOtherTag();
}

void GameDetailsDialog::showOtherTag()
{
    m_value->setText(toQString(m_details.otherValue(toBytes(m_tag->currentText().trimmed()))));
}

void GameDetailsDialog::read()
{
    // A field left as shown keeps its bytes: a name an old file wrote in another encoding
    // is not rewritten by a dialog nobody typed into.
    auto take = [](std::string& field, const QString& shown) {
        if (shown != toQString(field))
            field = toBytes(shown);
    };
    take(m_details.white, m_white->currentText());
    take(m_details.black, m_black->currentText());
    take(m_details.event, m_event->text());
    take(m_details.site, m_site->text());
    take(m_details.date, m_date->text());
    take(m_details.result, m_result->currentText());
}

void GameDetailsDialog::accept()
{
    read();
    m_details.store(controller().game());
    ChessDialog::accept();
}

} // namespace velmorak::gui
