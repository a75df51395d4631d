#include "gui/QtEventPump.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QTimer>

namespace velmorak::gui {

void QtEventPump::runFor(std::chrono::milliseconds limit)
{
    // The timer's own event ends the wait when nothing else arrives in time.
    QTimer wake;
    wake.setSingleShot(true);
    wake.start(limit);
    QCoreApplication::processEvents(
        QEventLoop::ExcludeUserInputEvents | QEventLoop::WaitForMoreEvents);
}

} // namespace velmorak::gui
