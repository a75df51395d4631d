#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <vector>

#include "rules/Move.h"

namespace velmorak {

// One screen layout: 88 integers, indexed by LayoutField.
using LayoutRecord = std::array<std::int32_t, 88>;

inline constexpr int kLayoutCount = 16;

enum LayoutField : int {
    kScreenWidth = 0,
    kScreenHeight = 1,
    kVariant = 2,
    kToggleState = 3,
    kPieceSizeIndex = 4,
    kSquareWidth = 5,
    kSquareHeight = 6,
    kPenWidth = 7,
    kPieceOffsetY = 8,
    kClockWidth = 12,
    kBoardWidth = 13,
    kFramedBoardHeight = 14,
    kBottomFrame = 16,
    kLeftFrame = 17,
    kRightFrame = 18,
    kSanCutWidth = 19,
    kLineHeight = 20,
    kOriginX = 21,
    kOriginY = 22, // also the top frame width
    kButtonWidth = 26,
    kButtonHeight = 27,
    kFrameBitmapFirst = 28, // 28..36: corners, edges and the two label strips
    kButtonLeft = 37,
    kButtonTop = 38,
    kButtonsPerColumn = 39, // 0 when the layout has no buttons
};

inline constexpr std::array<int, 6> kPieceSizes = { 20, 24, 30, 40, 48, 60 };

const LayoutRecord& layoutRecord(int index);

struct ScreenSize {
    int width = 0;
    int height = 0;
};

struct Rect {
    int left = 0, top = 0, right = 0, bottom = 0;
    friend bool operator==(const Rect&, const Rect&) = default;
};

struct Point {
    int x = 0, y = 0;
    friend bool operator==(const Point&, const Point&) = default;
};

// The layout to use for `index` (the stored choice, or the current one + 1 to toggle) on
// this screen. Nothing fitting leaves `current` in place.
int selectLayout(int index, int variant, ScreenSize screen, int current);

// Off-board squares (NoSquare included) have no rectangle.
std::optional<Rect> squareRect(const LayoutRecord& layout, Square square, bool flipped);
Point squareCentre(const LayoutRecord& layout, Square square, bool flipped);

// The square under a point of the client area whose board is shifted by the offsets;
// NoSquare for anything off the board.
Square squareAt(const LayoutRecord& layout, Point point, Point offset, bool flipped);

struct PanelRects {
    Rect status;
    Rect clock;
    Rect moveList;
};
bool isWideLayout(int index);
PanelRects panelRects(int index, Rect client);

// The nine layout buttons 390..398; nothing for layouts without buttons.
std::optional<Rect> layoutButtonRect(int index, int button);

// Squares a move changes on the board: origin, target, a castling rook's two squares and
// the square of a pawn taken en passant.
std::vector<Square> touchedSquares(Move move);

enum class AnimationSpeed { Off = 0, Slow = 1, Medium = 2, Fast = 3 };

struct AnimationTiming {
    int steps = 0;
    int timerMs = 0;
};
// Steps and tick interval for a move of `distance` pixels on squares `squareWidth` wide.
AnimationTiming animationTiming(int distance, int squareWidth, int speed);

struct AnimationTick {
    enum class Kind { Moving, TurnedBack, Finished } kind = Kind::Moving;
    Point piece;
    bool playSound = false;
    bool setHighlight = false;
    std::vector<Square> redraw; // when finished: squares to draw again from the board
};

// A piece gliding from the origin's centre to the target's; `move` is kept as played so
// a take-back (reversed) still knows its rook and en-passant squares.
class BoardAnimation {
public:
    static std::optional<BoardAnimation> start(const LayoutRecord& layout, bool flipped, Move move,
        PieceCode piece, int speed, bool withSound, bool highlight, bool thereAndBack,
        bool reversed = false);

    AnimationTick tick();
    // Cut short: the piece lands on the end point at once.
    AnimationTick finish();

    Point startPoint() const { return m_start; }
    Point endPoint() const { return m_end; }
    int steps() const { return m_steps; }
    int step() const { return m_step; }
    int timerMs() const { return m_timerMs; }
    int phase() const { return m_phase; }
    Move move() const { return m_move; }
    PieceCode piece() const { return m_piece; }

private:
    Point m_start, m_end;
    int m_dx = 0, m_dy = 0;
    int m_step = 0, m_steps = 1, m_timerMs = 20;
    Move m_move = NoMove;
    PieceCode m_piece = kEmpty;
    bool m_sound = false, m_highlight = false;
    int m_phase = 0;
};

// The picked-up piece under the stylus.
struct DragState {
    bool dragging = false;
    PieceCode piece = kEmpty;
    Square from = NoSquare;
    Point at;
};

struct DragUpdate {
    std::vector<Rect> repaint;
    std::vector<Square> redraw;
};

class DragPicture {
public:
    explicit DragPicture(const LayoutRecord& layout, bool flipped)
        : m_layout(layout)
        , m_flipped(flipped)
    {
    }
    // Mode 1; a point off the board picks nothing up.
    bool pickUp(PieceCode piece, Point point);
    // Mode 2: the old and new piece rectangles.
    DragUpdate moveTo(Point point);
    // Mode 3: the piece lands on `target`; mode 0: back to its square. Both end the drag.
    DragUpdate drop(Square target);
    DragUpdate putBack();
    const DragState& state() const { return m_state; }

private:
    Rect pieceRectAt(Point point) const;
    DragUpdate end(Square target);

    LayoutRecord m_layout;
    bool m_flipped;
    DragState m_state;
};

} // namespace velmorak
