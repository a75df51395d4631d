#pragma once

namespace velmorak {

// Keeps the computer from going idle (screensaver, screen lock, suspend) while the user
// thinks over a move with "Keep alive" on. The application decides when: keepAwake() when
// keep-alive starts (the option switched on in a running program, or on at start-up) and
// again at every tick of kKeepAliveTimer while it lasts; allowSleep() once when it ends (the
// option switched off, or the program's exit). Calls come on the interface thread.
//
// An implementation does what the desktop offers and nothing where it offers nothing: it
// never blocks, never shows a box, and says at most one line on standard error. The
// repeated keepAwake() lets it take hold late (a screensaver service that appeared after
// the program started); while it holds, repeated calls change nothing.
class IdleInhibitor {
public:
    virtual ~IdleInhibitor() = default;

    virtual void keepAwake() = 0;
    virtual void allowSleep() = 0;
};

} // namespace velmorak
