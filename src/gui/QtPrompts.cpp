#include "gui/QtPrompts.h"

#include <QMessageBox>
#include <cassert>

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

} // namespace velmorak::gui
