#include "present/BoardView.h"

#include <algorithm>
#include <cmath>

#include "base/Clock.h"
#include "rules/Board.h"
#include "sound/MoveSounds.h"

namespace velmorak {

namespace {

// The arrow is built in units of this share of the square width: the shaft is two units
// wide, the head 4.6 units long and 2 x 2.4 units wide, the tail notched one unit deep.
constexpr double kArrowUnit = 0.09;
constexpr double kArrowHeadLength = 4.6;
constexpr double kArrowHeadHalfWidth = 2.4;
constexpr int kArrowMinLength = 8;
// The outline pen and the rounding of the corners reach this far beyond the polygon.
constexpr int kArrowMargin = 2;

Rect pieceRectAround(const LayoutRecord& layout, Point centre)
{
    const int w = layout[kSquareWidth], h = layout[kSquareHeight];
    return { centre.x - w / 2, centre.y - h / 2, centre.x - w / 2 + w, centre.y - h / 2 + h };
}

} // namespace

BoardView::BoardView(
    const Board& board, BoardSurface& surface, MoveSounds& sounds, const Clock& clock)
    : m_board(board)
    , m_surface(surface)
    , m_sounds(sounds)
    , m_clock(clock)
    , m_layout(&layoutRecord(0))
{
}

// --- Layout and orientation ------------------------------------------------------------------

void BoardView::setLayout(int index)
{
    // Points of the running animation and the drag are in the old layout's pixels.
    endAnimation();
    cancelDrag();
    m_landed.reset();
    m_layoutIndex = std::clamp(index, 0, kLayoutCount - 1);
    m_layout = &layoutRecord(m_layoutIndex);
    m_surface.repaintAll();
}

void BoardView::setFlipped(bool flipped)
{
    if (flipped == m_flipped)
        return;
    endAnimation();
    cancelDrag();
    m_landed.reset();
    m_flipped = flipped;
    m_surface.repaintAll();
}

void BoardView::setHighlightLastMove(bool on)
{
    if (on == m_highlightOn)
        return;
    if (!on)
        repaintArrow();
    m_highlightOn = on;
    if (on)
        repaintArrow();
}

// --- Drawing moves ---------------------------------------------------------------------------

void BoardView::drawMove(Move move, bool animate, bool withSound, bool highlight)
{
    endAnimation();
    cancelDrag();
    m_landed.reset();
    m_positionSeen = false;
    m_highlightFresh = false;
    if (!isOnBoard(move.from) || !isOnBoard(move.to))
        return;
    if (animate && m_speed != static_cast<int>(AnimationSpeed::Off)) {
        startAnimation(move, withSound, highlight, false, false);
        return;
    }
    setHighlight(NoMove);
    if (highlight && m_highlightOn)
        setHighlight(move);
    repaintSquares(touchedSquares(move));
    if (withSound)
        m_sounds.PlayMoveSound(move);
}

void BoardView::drawTakeBack(Move move, bool animate)
{
    endAnimation();
    cancelDrag();
    m_landed.reset();
    m_highlightFresh = false;
    if (!isOnBoard(move.from) || !isOnBoard(move.to))
        return;
    if (animate && m_speed != static_cast<int>(AnimationSpeed::Off))
        startAnimation(move, false, false, false, true);
    else
        repaintSquares(touchedSquares(move));
}

void BoardView::showThereAndBack(Move move)
{
    startAnimation(move, true, false, true, false);
}

void BoardView::positionChanged()
{
    cancelDrag();
    m_landed.reset();
    setSelection(NoSquare, NoSquare);
    clearTargetMarks();
    if (!m_highlightFresh)
        setHighlight(NoMove);
    m_highlightFresh = false;
    m_positionSeen = true;
    const Square checked = m_board.isInCheck()
        ? m_board.findKing(m_board.sideToMove() == kWhiteSide ? kWhiteKing : kBlackKing)
        : NoSquare;
    if (checked != m_checkedKing) {
        repaintSquare(m_checkedKing);
        m_checkedKing = checked;
        repaintSquare(m_checkedKing);
    }
}

void BoardView::clearSelection()
{
    cancelDrag();
    m_landed.reset();
    setSelection(NoSquare, NoSquare);
    clearTargetMarks();
    setHighlight(NoMove);
    m_highlightFresh = false;
}

void BoardView::redrawBoard()
{
    cancelDrag();
    m_landed.reset();
    m_surface.repaintAll();
}

// --- Animation -------------------------------------------------------------------------------

void BoardView::startAnimation(
    Move move, bool withSound, bool highlight, bool thereAndBack, bool reversed)
{
    endAnimation();
    cancelDrag();
    // The board already shows the position the piece glides to (for a hint, the one it
    // comes back to), so the flying piece is the one standing where it ends.
    const Square hidden = (thereAndBack || reversed) ? move.from : move.to;
    if (!isOnBoard(hidden))
        return;
    const PieceCode piece = m_board.pieceAt(hidden);
    std::optional<BoardAnimation> animation = BoardAnimation::start(
        *m_layout, m_flipped, move, piece, m_speed, withSound, highlight, thereAndBack, reversed);
    if (!animation)
        return;
    m_animation = std::move(animation);
    m_animationHidden = hidden;
    m_animationPoint = m_animation->startPoint();
    m_animationStartMs = m_clock.ticks();
    m_animationTicks = 0;
    repaintSquare(move.from);
    repaintSquare(move.to);
    m_surface.repaintRect(pieceRectAround(*m_layout, m_animationPoint));
    m_surface.armAnimationTimer(m_animation->timerMs());
}

void BoardView::onAnimationTimer()
{
    if (!m_animation)
        return;
    const int timerMs = std::max(m_animation->timerMs(), 1);
    const std::int64_t due = (m_clock.ticks() - m_animationStartMs) / timerMs;
    const Point before = m_animationPoint;
    while (m_animationTicks < due) {
        ++m_animationTicks;
        AnimationTick tick = m_animation->tick();
        if (tick.kind == AnimationTick::Kind::Finished) {
            m_animationPoint = tick.piece;
            m_surface.repaintRect(pieceRectAround(*m_layout, before));
            finishAnimation(tick);
            return;
        }
        if (tick.kind == AnimationTick::Kind::TurnedBack && tick.playSound)
            m_sounds.PlayMoveSound(m_animation->move());
        m_animationPoint = tick.piece;
    }
    if (m_animationPoint == before)
        return;
    m_surface.repaintRect(pieceRectAround(*m_layout, before));
    m_surface.repaintRect(pieceRectAround(*m_layout, m_animationPoint));
}

void BoardView::endAnimation()
{
    if (!m_animation)
        return;
    m_surface.repaintRect(pieceRectAround(*m_layout, m_animationPoint));
    finishAnimation(m_animation->finish());
}

void BoardView::finishAnimation(const AnimationTick& last)
{
    const Move move = m_animation->move();
    m_surface.killAnimationTimer();
    m_animation.reset();
    m_animationHidden = NoSquare;
    // The board, not the flying piece, is the truth: the castling rook, the pawn taken en
    // passant and a promoted piece taken back are only right once drawn from it.
    repaintSquares(last.redraw);
    if (last.playSound)
        m_sounds.PlayMoveSound(move);
    if (last.setHighlight && m_highlightOn) {
        setHighlight(move);
        // When the position change was reported while the piece was flying, the next
        // report belongs to a newer position and takes the arrow away.
        m_highlightFresh = !m_positionSeen;
    }
    m_surface.animationFinished();
}

// --- Drag ------------------------------------------------------------------------------------

bool BoardView::isDragging() const
{
    return m_drag && m_drag->state().dragging;
}

Square BoardView::dragFrom() const
{
    return isDragging() ? m_drag->state().from : NoSquare;
}

void BoardView::pickUp(Square from, Point point)
{
    if (!isOnBoard(from))
        return;
    const PieceCode piece = m_board.pieceAt(from);
    if (piece == kEmpty)
        return;
    cancelDrag();
    m_landed.reset();
    m_drag.emplace(*m_layout, m_flipped);
    // Picked up at the centre of its square, so the drag starts from `from` whatever
    // corner of the square the pointer is in.
    m_drag->pickUp(piece, squareCentre(*m_layout, from, m_flipped));
    repaintSquare(from);
    for (const Rect& r : m_drag->moveTo(point).repaint)
        m_surface.repaintRect(r);
}

void BoardView::dragTo(Point point)
{
    if (!isDragging())
        return;
    for (const Rect& r : m_drag->moveTo(point).repaint)
        m_surface.repaintRect(r);
}

void BoardView::dropOn(Square target)
{
    if (!isDragging())
        return;
    const DragState state = m_drag->state();
    if (isOnBoard(target) && target != state.from)
        m_landed = Landed { state.piece, state.from, target };
    const DragUpdate u = m_drag->drop(target);
    m_drag.reset();
    for (const Rect& r : u.repaint)
        m_surface.repaintRect(r);
    repaintSquares(u.redraw);
}

void BoardView::cancelDrag()
{
    if (!isDragging())
        return;
    const DragUpdate u = m_drag->putBack();
    m_drag.reset();
    for (const Rect& r : u.repaint)
        m_surface.repaintRect(r);
    repaintSquares(u.redraw);
}

// --- Selection and marks ---------------------------------------------------------------------

void BoardView::setSelection(Square from, Square to)
{
    if (!isOnBoard(from))
        from = NoSquare;
    if (!isOnBoard(to))
        to = NoSquare;
    const Square oldFrom = m_selFrom, oldTo = m_selTo;
    m_selFrom = from;
    m_selTo = to;
    if (oldFrom != from) {
        repaintSquare(oldFrom);
        repaintSquare(from);
    }
    if (oldTo != to) {
        repaintSquare(oldTo);
        repaintSquare(to);
    }
}

std::uint8_t BoardView::targetMark(Square square) const
{
    return isOnBoard(square) ? m_marks[square] : 0;
}

void BoardView::markTargets(Square square)
{
    clearTargetMarks();
    if (!isOnBoard(square) || m_board.pieceAt(square) == kEmpty)
        return;
    // Move generation needs a board of its own to make and unmake moves on.
    Board board = m_board;
    SquareMoveList moves;
    board.legalMoves(square, moves);
    for (const Move& m : moves) {
        m_marks[m.to] = board.isAttackedBy(board.sideNotToMove(), m.to) ? 2 : 1;
        m_anyMark = true;
        repaintSquare(m.to);
    }
}

void BoardView::clearTargetMarks(Square keep)
{
    if (!m_anyMark)
        return;
    m_anyMark = false;
    for (int s = 0; s < 128; ++s) {
        if (m_marks[s] == 0)
            continue;
        if (s == keep) {
            m_anyMark = true;
            continue;
        }
        m_marks[s] = 0;
        repaintSquare(static_cast<Square>(s));
    }
}

// --- What to paint ---------------------------------------------------------------------------

PieceCode BoardView::pieceShownAt(Square square) const
{
    if (!isOnBoard(square))
        return kEmpty;
    if (m_animation && square == m_animationHidden)
        return kEmpty;
    if (isDragging() && square == m_drag->state().from)
        return kEmpty;
    if (m_landed) {
        if (square == m_landed->from)
            return kEmpty;
        if (square == m_landed->to)
            return m_landed->piece;
    }
    return m_board.pieceAt(square);
}

std::optional<FloatingPiece> BoardView::animatedPiece() const
{
    if (!m_animation)
        return std::nullopt;
    const Rect r = pieceRectAround(*m_layout, m_animationPoint);
    return FloatingPiece { m_animation->piece(), { r.left, r.top } };
}

std::optional<FloatingPiece> BoardView::draggedPiece() const
{
    if (!isDragging())
        return std::nullopt;
    const DragState& state = m_drag->state();
    const Rect r = pieceRectAround(*m_layout, state.at);
    return FloatingPiece { state.piece, { r.left, r.top } };
}

std::vector<Point> BoardView::arrowPolygon() const
{
    if (!m_highlightOn || !isOnBoard(m_highlight.from) || !isOnBoard(m_highlight.to))
        return {};
    const Point a = squareCentre(*m_layout, m_highlight.from, m_flipped);
    const Point b = squareCentre(*m_layout, m_highlight.to, m_flipped);
    const double dx = b.x - a.x, dy = b.y - a.y;
    const double length = std::sqrt(dx * dx + dy * dy);
    if (length < kArrowMinLength)
        return {};
    const double unit = kArrowUnit * (*m_layout)[kSquareWidth];
    // Along the move and across it, one unit long each.
    const double ux = dx / length * unit, uy = dy / length * unit;
    const double nx = -uy, ny = ux;
    // The head never reaches back past the tail.
    const double head = std::min(kArrowHeadLength, length / unit);
    auto at = [&](double along, double across) {
        return Point { static_cast<int>(std::lround(a.x + ux * along + nx * across)),
            static_cast<int>(std::lround(a.y + uy * along + ny * across)) };
    };
    const double tip = length / unit;
    const double neck = tip - head;
    return {
        at(0, 1),
        at(1, 0), // the tail's notch
        at(0, -1),
        at(neck, -1),
        at(neck, -kArrowHeadHalfWidth),
        at(tip, 0),
        at(neck, kArrowHeadHalfWidth),
        at(neck, 1),
    };
}

Rect BoardView::arrowBounds() const
{
    const std::vector<Point> polygon = arrowPolygon();
    if (polygon.empty())
        return {};
    Rect r { polygon[0].x, polygon[0].y, polygon[0].x, polygon[0].y };
    for (const Point& p : polygon) {
        r.left = std::min(r.left, p.x);
        r.top = std::min(r.top, p.y);
        r.right = std::max(r.right, p.x);
        r.bottom = std::max(r.bottom, p.y);
    }
    return { r.left - kArrowMargin, r.top - kArrowMargin, r.right + kArrowMargin + 1,
        r.bottom + kArrowMargin + 1 };
}

std::optional<Rect> BoardView::squareRect(Square square) const
{
    return velmorak::squareRect(*m_layout, square, m_flipped);
}

Square BoardView::squareAt(Point point) const
{
    return velmorak::squareAt(*m_layout, point, {}, m_flipped);
}

// --- Helpers ---------------------------------------------------------------------------------

void BoardView::repaintSquares(const std::vector<Square>& squares)
{
    for (Square s : squares)
        repaintSquare(s);
}

void BoardView::repaintSquare(Square square)
{
    if (const std::optional<Rect> r = squareRect(square))
        m_surface.repaintRect(*r);
}

void BoardView::repaintArrow()
{
    if (!arrowPolygon().empty())
        m_surface.repaintRect(arrowBounds());
}

void BoardView::setHighlight(Move move)
{
    if (move == m_highlight) {
        m_highlightFresh = move != NoMove;
        return;
    }
    // The arrow crosses squares other than its ends: its whole extent goes and comes.
    repaintArrow();
    repaintSquare(m_highlight.from);
    repaintSquare(m_highlight.to);
    m_highlight = move;
    m_highlightFresh = move != NoMove;
    repaintArrow();
    repaintSquare(m_highlight.from);
    repaintSquare(m_highlight.to);
}

} // namespace velmorak
