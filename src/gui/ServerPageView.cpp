#include "gui/ServerPageView.h"

#include <QFontDatabase>
#include <QScrollBar>

#include "gui/QtText.h"

namespace velmorak::gui {

ServerPageView::ServerPageView(QWidget* parent)
    : QPlainTextEdit(parent)
{
    setReadOnly(true);
    // Server text lines up its tables (finger ratings, the game lists) with blanks.
    setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    setLineWrapMode(QPlainTextEdit::WidgetWidth);
    setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
}

bool ServerPageView::atEnd() const
{
    // Within a line of the end counts as the end: the last line may be half visible.
    const QScrollBar* bar = verticalScrollBar();
    return bar->value() >= bar->maximum() - 1;
}

bool ServerPageView::showPage(std::string_view page, bool keepWhileReadingBack)
{
    QString text = toQString(page);
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    if (text == m_shown)
        return true;
    if (keepWhileReadingBack && !m_shown.isEmpty() && !atEnd())
        return false;
    m_shown = text;
    setPlainText(text);
    verticalScrollBar()->setValue(m_followsEnd ? verticalScrollBar()->maximum() : 0);
    return true;
}

QSize ServerPageView::sizeFor(int columns, int lines) const
{
    const QFontMetrics metrics(font());
    const int frame = 2 * frameWidth() + 2 * static_cast<int>(document()->documentMargin());
    return { metrics.horizontalAdvance(QLatin1Char('m')) * columns + frame +
            verticalScrollBar()->sizeHint().width(),
        metrics.lineSpacing() * lines + frame };
}

void chainTabOrder(std::initializer_list<QWidget*> widgets)
{
    QWidget* previous = nullptr;
    for (QWidget* widget : widgets) {
        if (previous)
            QWidget::setTabOrder(previous, widget);
        previous = widget;
    }
}

} // namespace velmorak::gui
