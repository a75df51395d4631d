#include "gui/AddLineDialog.h"

#include <QComboBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

#include "gui/QtPrompts.h"
#include "gui/QtText.h"

namespace velmorak::gui {

AddLineDialog::AddLineDialog(QWidget* parent, GameController& controller, NewLineQuestion& question)
    : ChessDialog(parent, controller, QStringLiteral("Add line"), "Velmorak.htm#AddLine",
          QDialogButtonBox::NoButton)
    , m_question(question)
    , m_lines(new QListWidget(this))
{
    auto* linesLabel = new QLabel(QStringLiteral("&Lines:"), this);
    linesLabel->setBuddy(m_lines);
    m_lines->setAccessibleName(QStringLiteral("Lines:"));
    body()->addWidget(linesLabel);
    body()->addWidget(m_lines, 1);
    showLines();

    auto* row = new QHBoxLayout;
    row->addWidget(new QLabel(QStringLiteral("New move: ") + toQString(question.label()), this), 1);
    auto* remove = new QPushButton(QStringLiteral("&Delete selected"), this);
    remove->setAutoDefault(false);
    connect(remove, &QPushButton::clicked, this, &AddLineDialog::deleteSelected);
    row->addWidget(remove);
    body()->addLayout(row);

    auto* mode = new QComboBox(this);
    mode->setObjectName(QStringLiteral("defaultMode"));
    for (std::string_view name : NewLineQuestion::modeNames())
        mode->addItem(toQString(name));
    mode->setCurrentIndex(int(question.defaultMode()));
    connect(mode, &QComboBox::activated, this,
        [this](int index) { m_question.setDefaultMode(VariationMode(index)); });
    auto* form = new QFormLayout;
    auto* modeLabel = new QLabel(QStringLiteral("&Change default to"), this);
    modeLabel->setBuddy(mode);
    form->addRow(modeLabel, mode);
    body()->addLayout(form);

    auto add = [this](const char* text, NewLineChoice choice, QDialogButtonBox::ButtonRole role) {
        QPushButton* button = buttons()->addButton(QString::fromUtf8(text), role);
        // The reject role closes by itself (Escape does the same): Cancel is the answer then.
        if (role != QDialogButtonBox::RejectRole)
            connect(button, &QPushButton::clicked, this, [this, choice] { answer(choice); });
        return button;
    };
    add("&Replace main line", NewLineChoice::ReplaceMainLine, QDialogButtonBox::ActionRole);
    // Return answers as OK did: the new move becomes the main line.
    add("Add &main line", NewLineChoice::AddMainLine, QDialogButtonBox::ActionRole)
        ->setDefault(true);
    add("&Add line", NewLineChoice::AddLine, QDialogButtonBox::ActionRole);
    add("Do&n't add move", NewLineChoice::Cancel, QDialogButtonBox::RejectRole);
}

void AddLineDialog::answer(NewLineChoice choice)
{
    QtPrompts prompts(this);
    if (choice == NewLineChoice::ReplaceMainLine && !m_question.confirmReplace(prompts))
        return;
    m_choice = choice;
    accept();
}

void AddLineDialog::deleteSelected()
{
    QtPrompts prompts(this);
    const int selected = m_lines->selectedItems().isEmpty() ? -1 : m_lines->currentRow();
    switch (m_question.deleteLine(selected, prompts)) {
    case NewLineQuestion::Deletion::NothingSelected:
        prompts.showMessage(
            NewLineQuestion::kDeleteTitle, NewLineQuestion::kSelectFirst, MessageIcon::Exclamation);
        break;
    case NewLineQuestion::Deletion::Deleted:
        showLines();
        break;
    case NewLineQuestion::Deletion::Kept:
        break;
    }
}

void AddLineDialog::showLines()
{
    m_lines->clear();
    for (const std::string& line : m_question.lines())
        m_lines->addItem(toQString(line));
}

} // namespace velmorak::gui
