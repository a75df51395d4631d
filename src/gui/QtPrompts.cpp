#include "gui/QtPrompts.h"

#include <QDialog>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QFileInfo>
#include <QLabel>
#include <QListWidget>
#include <QMessageBox>
#include <QPushButton>
#include <QVBoxLayout>

#include "engine/OpeningBook.h"
#include "gui/QtText.h"
#include "record/CGameNode.h"

namespace velmorak::gui {

namespace {

QMessageBox::Icon boxIcon(MessageIcon icon)
{
    switch (icon) {
    case MessageIcon::Information:
        return QMessageBox::Information;
    case MessageIcon::Exclamation:
        return QMessageBox::Warning;
    case MessageIcon::Question:
        return QMessageBox::Question;
    case MessageIcon::Stop:
        return QMessageBox::Critical;
    }
    return QMessageBox::NoIcon;
}

QListWidget* lineList(const CGameNode& at, int halfMoves, QWidget* parent)
{
    auto* list = new QListWidget(parent);
    for (int i = 0; i < at.childCount(); ++i)
        list->addItem(toQString(lineText(*at.child(i), halfMoves)));
    list->setCurrentRow(0);
    list->setAccessibleName(QStringLiteral("Lines:"));
    return list;
}

} // namespace

void QtPrompts::showMessage(std::string_view title, std::string_view text, MessageIcon icon)
{
    QMessageBox box(boxIcon(icon), toQString(title), toQString(text), QMessageBox::Ok, m_parent);
    box.exec();
}

bool QtPrompts::askYesNo(
    std::string_view title, std::string_view text, MessageIcon icon, bool defaultYes)
{
    QMessageBox box(boxIcon(icon), toQString(title), toQString(text),
        QMessageBox::Yes | QMessageBox::No, m_parent);
    box.setDefaultButton(defaultYes ? QMessageBox::Yes : QMessageBox::No);
    return box.exec() == QMessageBox::Yes;
}

bool QtPrompts::askOkCancel(std::string_view title, std::string_view text)
{
    QMessageBox box(QMessageBox::Question, toQString(title), toQString(text),
        QMessageBox::Ok | QMessageBox::Cancel, m_parent);
    return box.exec() == QMessageBox::Ok;
}

int QtPrompts::selectLine(const CGameNode& at)
{
    QDialog dialog(m_parent);
    dialog.setWindowTitle(QStringLiteral("Select line"));
    auto* layout = new QVBoxLayout(&dialog);
    layout->addWidget(new QLabel(QStringLiteral("Lines:"), &dialog));
    QListWidget* list = lineList(at, 4, &dialog);
    layout->addWidget(list);
    // A tap on a line answers it.
    QObject::connect(list, &QListWidget::itemActivated, &dialog, &QDialog::accept);
    QObject::connect(list, &QListWidget::itemClicked, &dialog, &QDialog::accept);
    if (dialog.exec() != QDialog::Accepted)
        return 0;
    return std::max(0, list->currentRow());
}

NewLineChoice QtPrompts::askNewLine(const CGameNode& at, std::string_view label)
{
    QDialog dialog(m_parent);
    dialog.setWindowTitle(QStringLiteral("Add line"));
    auto* layout = new QVBoxLayout(&dialog);
    layout->addWidget(new QLabel(QStringLiteral("Lines:"), &dialog));
    layout->addWidget(lineList(at, 6, &dialog));
    layout->addWidget(new QLabel(QStringLiteral("New move: ") + toQString(label), &dialog));
    auto* buttons = new QDialogButtonBox(&dialog);
    NewLineChoice choice = NewLineChoice::Cancel;
    auto add = [&](const char* text, NewLineChoice answer, QDialogButtonBox::ButtonRole role) {
        QPushButton* button = buttons->addButton(QString::fromUtf8(text), role);
        QObject::connect(button, &QPushButton::clicked, &dialog, [&, answer] {
            // Replacing a main line of more than two moves loses them: asked first.
            if (answer == NewLineChoice::ReplaceMainLine && at.childCount() > 0 &&
                at.child(0)->countNodes() > 2 &&
                QMessageBox::question(&dialog, QStringLiteral("Replace line"),
                    QStringLiteral("Are you sure?"),
                    QMessageBox::Ok | QMessageBox::Cancel) != QMessageBox::Ok)
                return;
            choice = answer;
            dialog.done(answer == NewLineChoice::Cancel ? QDialog::Rejected : QDialog::Accepted);
        });
        return button;
    };
    add("Replace main line", NewLineChoice::ReplaceMainLine, QDialogButtonBox::ActionRole);
    add("Add main line", NewLineChoice::AddMainLine, QDialogButtonBox::AcceptRole)
        ->setDefault(true);
    add("Add line", NewLineChoice::AddLine, QDialogButtonBox::ActionRole);
    add("Don't add move", NewLineChoice::Cancel, QDialogButtonBox::RejectRole);
    layout->addWidget(buttons);
    // Closing the window counts as "Don't add move".
    dialog.exec();
    return choice;
}

std::optional<std::string> QtPrompts::chooseDatabaseFile(std::string_view title, bool create)
{
    const QString filter = QStringLiteral(".pgn Database (*.pgn)");
    const QString folder = QString::fromStdString(documentsDirectory());
    // The core asks before it replaces a file, naming it; the dialog asks nothing more.
    const QString path = create
        ? QFileDialog::getSaveFileName(m_parent, toQString(title), folder, filter, nullptr,
              QFileDialog::DontConfirmOverwrite)
        : QFileDialog::getOpenFileName(m_parent, toQString(title), folder, filter);
    // A folder is no database, whatever the dialog let through.
    if (path.isEmpty() || QFileInfo(path).isDir())
        return std::nullopt;
    if (create && !path.endsWith(QStringLiteral(".pgn"), Qt::CaseInsensitive))
        return toBytes(path + QStringLiteral(".pgn"));
    return toBytes(path);
}

} // namespace velmorak::gui
