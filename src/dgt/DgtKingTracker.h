#pragma once

#include <optional>

#include "dgt/DgtEvent.h"

namespace velmorak {

// Follows the two kings from one board change to the next to read the gestures made with
// them: both kings off the board (set-up), the last king put down after a set-up (side to
// move), a king lifted and put back on its square (move now).
class DgtKingTracker {
public:
    // Takes the board after a change; the gesture it completes, if any.
    std::optional<DgtEventCode> boardChanged(const DgtBoardImage& image);
    void reset();

private:
    // 0: no king seen; 1: one king stands (a set-up is being made); 2: both kings stand;
    // 3: one king is lifted.
    void enterNoKing();
    void remember(int white, int black);
    std::optional<DgtEventCode> lastNewPosition() const;

    int m_state = 0;
    int m_whiteKing = -1;
    int m_blackKing = -1;
    int m_whiteLiftedFrom = -1;
    int m_blackLiftedFrom = -1;
    std::optional<DgtEventCode> m_lastNewPosition;
};

} // namespace velmorak
