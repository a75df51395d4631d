#include "gui/QtServerWaits.h"

#include <QEventLoop>
#include <QTimer>

namespace velmorak::gui {

void QtServerWaits::runFor(int ms)
{
    ++m_depth;
    QEventLoop loop;
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    loop.exec();
    --m_depth;
}

} // namespace velmorak::gui
