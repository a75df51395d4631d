#pragma once

#include "app/EventPump.h"

namespace velmorak::gui {

// Waits of the controller run the window's events meanwhile: painting, timers (the clocks)
// and posted tasks, never the user's input, which waits until the wait is over.
class QtEventPump : public EventPump {
public:
    void runFor(std::chrono::milliseconds limit) override;
};

} // namespace velmorak::gui
