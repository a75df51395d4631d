#pragma once

#include <vector>

#include "app/BoardView.h"
#include "support/FakeClock.h"

namespace velmorak::test {

// Records what the board view asks to repaint; its animation timer (id 102) runs on the
// fake clock and drives the attached view.
class RecordingBoardSurface final : public BoardSurface {
public:
    explicit RecordingBoardSurface(FakeClock& clock)
        : m_clock(clock)
    {
    }
    void attach(BoardView& view) { m_view = &view; }

    void repaintRect(Rect rect) override { rects.push_back(rect); }
    void repaintAll() override { ++fullRepaints; }
    void armAnimationTimer(int periodMs) override;
    void killAnimationTimer() override { m_clock.killTimer(102); }
    void animationFinished() override { ++finished; }

    // Whether a repainted rectangle covers the whole of `square`.
    bool repainted(Square square) const;
    void clear() { rects.clear(), fullRepaints = 0; }

    std::vector<Rect> rects;
    int fullRepaints = 0;
    int finished = 0;

private:
    FakeClock& m_clock;
    BoardView* m_view = nullptr;
};

} // namespace velmorak::test
