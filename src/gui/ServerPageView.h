#pragma once

#include <QPlainTextEdit>
#include <initializer_list>
#include <string_view>

namespace velmorak::gui {

// A read-only view of a chat or channel page that follows new lines: its text is replaced
// only when the page changed, and the view then scrolls to the newest line.
class ServerPageView : public QPlainTextEdit {
public:
    explicit ServerPageView(QWidget* parent);

    // Shows `page` (lines joined by "\r\n"). With `keepWhileReadingBack`, a user who has
    // scrolled up to read keeps his place and the text is left as it is until he comes back
    // to the end; false then.
    bool showPage(std::string_view page, bool keepWhileReadingBack);
    // A text read from its start (a finger answer) rather than followed at its end.
    void setFollowsEnd(bool follows) { m_followsEnd = follows; }
    // A size that shows `columns` characters of server text across and `lines` down.
    QSize sizeFor(int columns, int lines) const;

private:
    bool atEnd() const;

    QString m_shown;
    bool m_followsEnd = true;
};

// Tab walks `widgets` in this order (the server dialogs make some widgets before their rows).
void chainTabOrder(std::initializer_list<QWidget*> widgets);

} // namespace velmorak::gui
