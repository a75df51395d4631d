#include "support/RecordingBoardSurface.h"

namespace velmorak::test {

void RecordingBoardSurface::armAnimationTimer(int periodMs)
{
    m_clock.startTimer(102, periodMs, true, [this] {
        if (m_view)
            m_view->onAnimationTimer();
    });
}

bool RecordingBoardSurface::repainted(Square square) const
{
    const std::optional<Rect> s = m_view ? m_view->squareRect(square) : std::nullopt;
    if (!s)
        return false;
    for (const Rect& r : rects)
        if (r.left <= s->left && r.top <= s->top && r.right >= s->right && r.bottom >= s->bottom)
            return true;
    return false;
}

} // namespace velmorak::test
