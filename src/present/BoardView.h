#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <vector>

#include "present/BoardLayout.h"
#include "rules/Move.h"

namespace velmorak {

class Board;
class Clock;
class MoveSounds;

// What the board view asks of the window it is drawn in. Rectangles are in layout
// coordinates (the layout's own pixels); the window maps them through its transform.
class BoardSurface {
public:
    virtual ~BoardSurface() = default;
    virtual void repaintRect(Rect rect) = 0;
    virtual void repaintAll() = 0;
    // Timer 102: onAnimationTimer() is to be called every `periodMs` until killed.
    virtual void armAnimationTimer(int periodMs) = 0;
    virtual void killAnimationTimer() = 0;
    // A move animation came to its end (the replay timer is due again).
    virtual void animationFinished() = 0;
};

// A piece drawn away from its square: the animated or the dragged one.
struct FloatingPiece {
    PieceCode piece = kEmpty;
    // The top-left corner of its square-sized picture.
    Point topLeft;
};

// The board view's state, the whole of what is painted on the board: the layout, the
// orientation, the highlighted last move, the animation, the dragged piece, the selection
// frames and the legal-target marks. The window paints from it; every change that needs
// painting is reported through the surface as the rectangles to repaint.
//
// Invariants kept here rather than by the callers: any change of position clears the
// selection, the marks and the arrow (the highlight of the move just drawn excepted); a new
// animation, layout or orientation first ends the running animation and cancels the drag;
// off-board squares (NoSquare included) are ignored by every function that takes a square.
//
// Interface thread only.
class BoardView {
public:
    // `board` is the game's board (the controller's), read when painting; the clock times
    // the animations. All must outlive the view.
    BoardView(const Board& board, BoardSurface& surface, MoveSounds& sounds, const Clock& clock);

    // --- Layout and orientation -----------------------------------------------------------
    int layoutIndex() const { return m_layoutIndex; }
    const LayoutRecord& layout() const { return *m_layout; }
    // Ends the animation and cancels the drag first; repaints everything.
    void setLayout(int index);
    bool flipped() const { return m_flipped; }
    void setFlipped(bool flipped);

    // --- Options the view follows ---------------------------------------------------------
    void setAnimationSpeed(int speed) { m_speed = speed; }
    void setHighlightLastMove(bool on);

    // --- Drawing moves (the controller's view calls) --------------------------------------
    // `highlight`: the move becomes the highlighted last move (engine moves, training
    // replies) when "Highlight last move" is on.
    void drawMove(Move move, bool animate, bool withSound, bool highlight);
    void drawTakeBack(Move move, bool animate);
    // A hint or threat: there and back, with the move sound, always animated.
    void showThereAndBack(Move move);
    // The position changed: selection, marks and the arrow of an older move go.
    void positionChanged();
    // Selection and highlight cleared (new game).
    void clearSelection();
    void redrawBoard();

    // --- Animation ------------------------------------------------------------------------
    bool isAnimating() const { return m_animation.has_value(); }
    // Timer 102. The piece's place follows the time elapsed since the start, so a slow
    // paint does not stretch the animation.
    void onAnimationTimer();
    // Cut short: the piece lands, every square the move touched is drawn from the board.
    void endAnimation();

    // --- Drag (the input's picked-up piece) -----------------------------------------------
    bool isDragging() const;
    Square dragFrom() const;
    // Picks up the piece on `from`, drawn centred under `point`.
    void pickUp(Square from, Point point);
    void dragTo(Point point);
    // The piece lands on `target` (it is drawn there until the board says otherwise).
    void dropOn(Square target);
    // The piece goes back to its square. Nothing when no drag runs.
    void cancelDrag();

    // --- Selection and marks (Move input) ------------------------------------------------
    Square selectedFrom() const { return m_selFrom; }
    Square selectedTo() const { return m_selTo; }
    // Repaints the squares whose frame changes.
    void setSelection(Square from, Square to);
    // 0 none, 1 legal target, 2 legal target the opponent attacks.
    std::uint8_t targetMark(Square square) const;
    bool anyTargetMarked() const { return m_anyMark; }
    // Marks the legal targets of the piece on `square` (nothing for an empty square).
    void markTargets(Square square);
    // Clears every mark but the one on `keep`.
    void clearTargetMarks(Square keep = NoSquare);

    // --- What to paint --------------------------------------------------------------------
    // The piece shown on a square: the board's, except the one in flight or picked up.
    PieceCode pieceShownAt(Square square) const;
    std::optional<FloatingPiece> animatedPiece() const;
    std::optional<FloatingPiece> draggedPiece() const;
    // The last-move arrow: the eight corners of its polygon; empty when none is shown.
    std::vector<Point> arrowPolygon() const;
    Move highlightedMove() const { return m_highlight; }
    // The square of the side to move's king when it stands in check; NoSquare otherwise.
    Square checkedKing() const { return m_checkedKing; }
    // The rectangle a square occupies; nullopt off the board.
    std::optional<Rect> squareRect(Square square) const;
    Square squareAt(Point point) const;

private:
    void repaintSquares(const std::vector<Square>& squares);
    void repaintSquare(Square square);
    void setHighlight(Move move);
    void startAnimation(
        Move move, bool withSound, bool highlight, bool thereAndBack, bool reversed);
    void finishAnimation(const AnimationTick& last);
    Rect arrowBounds() const;
    void repaintArrow();

    // A dropped piece stands on its target until the board catches up (or the move is
    // refused and the board redrawn).
    struct Landed {
        PieceCode piece;
        Square from;
        Square to;
    };

    const Board& m_board;
    BoardSurface& m_surface;
    MoveSounds& m_sounds;
    const Clock& m_clock;
    int m_layoutIndex = 0;
    const LayoutRecord* m_layout;
    bool m_flipped = false;
    int m_speed = 2;
    bool m_highlightOn = true;
    Move m_highlight = NoMove;
    // The highlight was set since the last positionChanged().
    bool m_highlightFresh = false;
    Square m_checkedKing = NoSquare;
    // positionChanged() came since the last drawMove().
    bool m_positionSeen = false;
    std::optional<BoardAnimation> m_animation;
    std::int64_t m_animationStartMs = -1;
    // Ticks taken so far; the clock says how many are due.
    std::int64_t m_animationTicks = 0;
    Point m_animationPoint;
    // The square whose piece is in flight.
    Square m_animationHidden = NoSquare;
    std::optional<DragPicture> m_drag;
    std::optional<Landed> m_landed;
    Square m_selFrom = NoSquare;
    Square m_selTo = NoSquare;
    std::array<std::uint8_t, 128> m_marks {};
    bool m_anyMark = false;
};

} // namespace velmorak
