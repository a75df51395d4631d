#pragma once

#include "server/ServerWaits.h"

namespace velmorak::gui {

// The desktop program's wait for a server answer: a nested event loop runs for the time, so
// the window paints, the clocks go on and the user can still type. The window asks
// isWaiting() so that its own timer leaves the polling to the wait that polls anyway.
class QtServerWaits final : public ServerWaits {
public:
    void runFor(int ms) override;
    bool isWaiting() const { return m_depth > 0; }

private:
    int m_depth = 0;
};

} // namespace velmorak::gui
