#include "gui/QtPrompts.h"

#include <QFileDialog>
#include <QFileInfo>
#include <QMessageBox>
#include <cassert>

#include "engine/OpeningBook.h"
#include "gui/AddLineDialog.h"
#include "gui/QtText.h"
#include "gui/SelectLineDialog.h"
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
    assert(m_controller);
    SelectLineDialog dialog(m_parent, *m_controller, at);
    dialog.exec();
    return dialog.answer();
}

NewLineChoice QtPrompts::askNewLine(NewLineQuestion& question)
{
    assert(m_controller);
    AddLineDialog dialog(m_parent, *m_controller, question);
    dialog.exec();
    return dialog.choice();
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
