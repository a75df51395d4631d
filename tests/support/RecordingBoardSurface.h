#pragma once

#include <algorithm>
#include <vector>

#include "present/BoardView.h"
#include "support/FakeClock.h"

namespace velmorak::test {

// Records what the board view asks to repaint; its animation timer (id 102) runs on the
// fake clock and drives `view`.
struct RecordingBoardSurface final : BoardSurface {
    explicit RecordingBoardSurface(FakeClock& fakeClock)
        : clock(fakeClock)
    {
    }
    void repaintRect(Rect rect) override { rects.push_back(rect); }
    void repaintAll() override { ++fullRepaints; }
    void armAnimationTimer(int ms) override
    {
        clock.startTimer(102, ms, true, [this] { view->onAnimationTimer(); });
    }
    void killAnimationTimer() override { clock.killTimer(102); }
    void animationFinished() override { ++finished; }
    bool repainted(Square s) const
    {
        return std::count(rects.begin(), rects.end(), view->squareRect(s));
    }

    FakeClock& clock;
    BoardView* view = nullptr;
    std::vector<Rect> rects;
    int fullRepaints = 0;
    int finished = 0;
};

} // namespace velmorak::test
