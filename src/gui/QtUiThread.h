#pragma once

#include <QObject>

#include "app/UiThread.h"

namespace velmorak::gui {

// Tasks for the window's thread, queued as Qt events. Tasks still queued when the object
// is destroyed are dropped with it.
class QtUiThread : public UiThread {
public:
    QtUiThread();
    void post(Task task) override;

private:
    // Lives on the window's thread: queued calls to it run there.
    QObject m_receiver;
};

} // namespace velmorak::gui
