#pragma once

#include <optional>

#include "dgt/DgtEvent.h"
#include "dgt/DgtKingTracker.h"

namespace velmorak {

// The start position in normal orientation, and the same turned by 180 degrees.
const DgtBoardImage& dgtStartImage();
const DgtBoardImage& dgtTurnedStartImage();
// The image as seen from the other side of the board.
DgtBoardImage dgtTurnedImage(const DgtBoardImage& image);

// Reads the positions set up on a board: the result signals with both kings in the centre,
// the start position (which also tells which way round the board stands), a shuffled start
// and a set-up whose pawns stand on the wrong edges; then hands the board to the king
// tracker. Keeps the board in normal orientation.
class DgtBoardRecognizer {
public:
    struct Codes {
        std::optional<DgtEventCode> recognition;
        std::optional<DgtEventCode> kingTracker;
    };

    // Takes the board's image after a change, in the board's own orientation.
    Codes boardChanged(const DgtBoardImage& received);

    // The last image in normal orientation.
    const DgtBoardImage& board() const { return m_board; }
    bool rotated() const { return m_rotated; }
    // The board stands the other way round from now on.
    void turn();
    // Forgets the board and the king tracker; the orientation stays.
    void reset();

private:
    std::optional<DgtEventCode> recognise(const DgtBoardImage& received);
    void setRotated(bool rotated, const DgtBoardImage& received);

    DgtBoardImage m_received {};
    DgtBoardImage m_board {};
    bool m_rotated = false;
    DgtKingTracker m_kingTracker;
};

} // namespace velmorak
