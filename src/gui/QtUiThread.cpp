#include "gui/QtUiThread.h"

#include <QMetaObject>

namespace velmorak::gui {

QtUiThread::QtUiThread() = default;

void QtUiThread::post(Task task)
{
    QMetaObject::invokeMethod(&m_receiver, std::move(task), Qt::QueuedConnection);
}

} // namespace velmorak::gui
