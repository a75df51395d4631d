#pragma once

namespace velmorak {

// How the chess-server client lets time pass while it waits for an answer ("sleep, then
// poll"): the program around it keeps running meanwhile (the window paints, the clocks go
// on), so a wait of several seconds never freezes it. The desktop program runs its event
// loop for the time; tests move a fake clock and play the server's part.
class ServerWaits {
public:
    virtual ~ServerWaits() = default;

    // Returns after about `ms` milliseconds, having kept everything else going meanwhile.
    virtual void runFor(int ms) = 0;
};

} // namespace velmorak
