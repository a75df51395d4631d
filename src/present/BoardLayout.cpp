#include "present/BoardLayout.h"

#include <algorithm>
#include <cmath>

#include "present/CommandTable.h"

namespace velmorak {

namespace {

// The board of a layout fills its screen: in portrait and square layouts left frame +
// 8 squares + right frame + the button column(s) add up to the screen width; in landscape
// and square layouts top frame + 8 squares + bottom frame add up to the screen height less
// the title and command bars (26 pixels each, 52 at high resolution), so the panel keeps the
// rest. Variant 1 records repeat a screen with another board and are never chosen.
struct LayoutRow {
    int width, height, variant, toggle, sizeIndex, squareW, squareH;
    int left, top, right, bottom, buttonW, buttonH, buttonsPerColumn;
};

constexpr LayoutRow kRows[kLayoutCount] = {
    { 240, 320, 0, 0, 2, 30, 30, 0, 0, 0, 0, 0, 0, 0 },
    { 240, 320, 0, 1, 1, 24, 24, 16, 14, 8, 14, 24, 24, 9 },
    { 240, 320, 1, 0, 2, 30, 30, 0, 0, 0, 0, 0, 0, 0 },
    { 320, 240, 0, 0, 1, 24, 23, 2, 2, 2, 2, 0, 0, 0 },
    { 240, 320, 1, 1, 1, 24, 24, 24, 14, 24, 14, 0, 0, 0 },
    { 240, 240, 0, 0, 0, 20, 20, 16, 14, 16, 14, 24, 20, 8 },
    { 240, 240, 1, 0, 0, 20, 20, 40, 14, 40, 14, 0, 0, 0 },
    { 480, 640, 0, 0, 5, 60, 60, 0, 0, 0, 0, 0, 0, 0 },
    { 480, 640, 0, 1, 4, 48, 48, 32, 28, 16, 28, 48, 48, 9 },
    { 480, 640, 1, 1, 4, 48, 48, 48, 28, 48, 28, 0, 0, 0 },
    { 640, 480, 0, 0, 4, 48, 46, 4, 4, 4, 4, 0, 0, 0 },
    { 480, 640, 1, 0, 5, 60, 60, 0, 0, 0, 0, 0, 0, 0 },
    { 480, 480, 0, 0, 3, 40, 40, 32, 24, 32, 32, 48, 40, 8 },
    { 480, 480, 1, 0, 3, 40, 40, 80, 24, 80, 32, 0, 0, 0 },
    { 320, 320, 0, 0, 2, 30, 30, 16, 14, 16, 14, 48, 29, 9 },
    { 320, 320, 1, 0, 2, 30, 30, 40, 14, 40, 14, 0, 0, 0 },
};

LayoutRecord buildRecord(const LayoutRow& row)
{
    LayoutRecord r {};
    const bool highRes = row.width >= 480;
    r[kScreenWidth] = row.width;
    r[kScreenHeight] = row.height;
    r[kVariant] = row.variant;
    r[kToggleState] = row.toggle;
    r[kPieceSizeIndex] = row.sizeIndex;
    r[kSquareWidth] = row.squareW;
    r[kSquareHeight] = row.squareH;
    r[kPenWidth] = highRes ? 3 : 2;
    // Pieces in squares lower than the image lose their top rows.
    r[kPieceOffsetY] = kPieceSizes[row.sizeIndex] - row.squareH;
    r[kClockWidth] = highRes ? 160 : 80;
    r[kBoardWidth] = 8 * row.squareW;
    r[kFramedBoardHeight] = row.top + 8 * row.squareH + row.bottom;
    r[kBottomFrame] = row.bottom;
    r[kLeftFrame] = row.left;
    r[kRightFrame] = row.right;
    r[kLineHeight] = highRes ? 28 : 14;
    r[kOriginX] = row.left;
    r[kOriginY] = row.top;
    r[kButtonWidth] = row.buttonW;
    r[kButtonHeight] = row.buttonH;
    const bool framed = row.left > 4;
    for (int i = 0; i < 9; ++i)
        r[kFrameBitmapFirst + i] = framed ? (highRes ? 180 : 170) + i : 0;
    r[kButtonLeft] = row.left + 8 * row.squareW + row.right;
    r[kButtonTop] = 0;
    r[kButtonsPerColumn] = row.buttonsPerColumn;
    const int panelWidth = (row.width > row.height) ? row.width - r[kButtonLeft] : row.width;
    r[kSanCutWidth] = panelWidth - 8;
    return r;
}

const std::array<LayoutRecord, kLayoutCount>& allLayouts()
{
    static const std::array<LayoutRecord, kLayoutCount> table = [] {
        std::array<LayoutRecord, kLayoutCount> t {};
        for (int i = 0; i < kLayoutCount; ++i)
            t[i] = buildRecord(kRows[i]);
        return t;
    }();
    return table;
}

int shapeOf(int width, int height)
{
    return (width > height) - (width < height); // 1 landscape, 0 square, -1 portrait
}

int bestLayout(int variant, ScreenSize screen)
{
    const int shape = shapeOf(screen.width, screen.height);
    int best = -1;
    for (int i = 0; i < kLayoutCount; ++i) {
        const LayoutRecord& r = allLayouts()[i];
        if (r[kVariant] != variant)
            continue;
        const int w = r[kScreenWidth], h = r[kScreenHeight];
        if (w == screen.width && h == screen.height)
            return i;
        if (w > screen.width || h > screen.height || shapeOf(w, h) != shape)
            continue;
        if (best < 0) {
            best = i;
            continue;
        }
        const int bw = allLayouts()[best][kScreenWidth], bh = allLayouts()[best][kScreenHeight];
        const bool better =
            shape == 1 ? (h > bh || (h == bh && w > bw)) : (w > bw || (w == bw && h > bh));
        if (better)
            best = i;
    }
    return best < 0 ? 0 : best;
}

bool suits(const LayoutRecord& r, int variant, ScreenSize screen)
{
    if (r[kVariant] != variant)
        return false;
    const int w = r[kScreenWidth], h = r[kScreenHeight];
    if (w == screen.width && h == screen.height)
        return true;
    if (w > screen.width || h > screen.height)
        return false;
    const int shape = shapeOf(screen.width, screen.height);
    if (shapeOf(w, h) != shape)
        return false;
    return shape == 1 ? h == screen.height : w == screen.width;
}

int floorDiv(int a, int b)
{
    const int q = a / b;
    return (a % b != 0 && (a < 0) != (b < 0)) ? q - 1 : q;
}

} // namespace

const LayoutRecord& layoutRecord(int index)
{
    return allLayouts()[std::clamp(index, 0, kLayoutCount - 1)];
}

int selectLayout(int index, int variant, ScreenSize screen, int current)
{
    if (index < 0 || index >= kLayoutCount)
        index = bestLayout(variant, screen);
    for (int n = 0; n < kLayoutCount; ++n) {
        const int i = (index + n) % kLayoutCount;
        if (suits(allLayouts()[i], variant, screen))
            return i;
    }
    return current;
}

std::optional<Rect> squareRect(const LayoutRecord& layout, Square square, bool flipped)
{
    if (!isOnBoard(square))
        return std::nullopt;
    int file = fileOf(square), rank = rankOf(square);
    if (flipped) {
        file = 7 - file;
        rank = 7 - rank;
    }
    const int w = layout[kSquareWidth], h = layout[kSquareHeight];
    const int left = file * w + layout[kOriginX];
    const int top = (7 - rank) * h + layout[kOriginY];
    return Rect { left, top, left + w, top + h };
}

Point squareCentre(const LayoutRecord& layout, Square square, bool flipped)
{
    const Rect r = squareRect(layout, square, flipped).value_or(Rect {});
    return { (r.left + r.right) / 2, (r.top + r.bottom) / 2 };
}

Square squareAt(const LayoutRecord& layout, Point point, Point offset, bool flipped)
{
    // Every offset comes off before dividing, and the division rounds down, so the
    // pixels left of or above the board never fold onto file or rank 0.
    int file = floorDiv(point.x - layout[kOriginX] - offset.x, layout[kSquareWidth]);
    int rank = 7 - floorDiv(point.y - layout[kOriginY] - offset.y, layout[kSquareHeight]);
    if (file < 0 || file > 7 || rank < 0 || rank > 7)
        return NoSquare;
    if (flipped) {
        file = 7 - file;
        rank = 7 - rank;
    }
    return makeSquare(file, rank);
}

bool isWideLayout(int index)
{
    return index == 3 || index == 10;
}

PanelRects panelRects(int index, Rect client)
{
    const LayoutRecord& r = layoutRecord(index);
    const int line = r[kLineHeight];
    PanelRects p;
    if (isWideLayout(index)) {
        const int left = client.left + r[kLeftFrame] + 8 * r[kSquareWidth] + r[kRightFrame];
        p.status = { left, client.top + line, client.right, client.bottom };
        // The clock box lines up with the panel box below it.
        p.clock = { left, client.top, client.right, client.top + line };
        p.moveList = { left, client.top + 3 * line + 3, r[kScreenWidth],
            client.top + 9 * line + 3 };
        return p;
    }
    const int boardBottom = client.top + 8 * r[kSquareHeight] + r[kOriginY] + r[kBottomFrame];
    p.status = { client.left, boardBottom, client.right, client.bottom };
    p.clock = { client.right - r[kClockWidth], boardBottom, client.right - 2, boardBottom + line };
    p.moveList = p.status;
    return p;
}

std::optional<Rect> layoutButtonRect(int index, int button)
{
    const LayoutRecord& r = layoutRecord(index);
    const int perColumn = r[kButtonsPerColumn];
    const int n = button - kFirstLayoutButton;
    if (perColumn == 0 || n < 0 || n >= kLayoutButtonCount)
        return std::nullopt;
    const int left = r[kButtonLeft] + (n / perColumn) * r[kButtonWidth];
    const int top = r[kButtonTop] + (n % perColumn) * r[kButtonHeight];
    return Rect { left, top, left + r[kButtonWidth], top + r[kButtonHeight] };
}

std::vector<Square> touchedSquares(Move move)
{
    std::vector<Square> squares;
    auto add = [&](Square s) {
        if (isOnBoard(s) && std::find(squares.begin(), squares.end(), s) == squares.end())
            squares.push_back(s);
    };
    add(move.from);
    add(move.to);
    if (!isOnBoard(move.from) || !isOnBoard(move.to))
        return squares;
    if (move.isCastling()) {
        const int rank = rankOf(move.to);
        const bool kingSide = fileOf(move.to) > fileOf(move.from);
        add(makeSquare(kingSide ? 7 : 0, rank));
        add(makeSquare(kingSide ? 5 : 3, rank));
    }
    if (move.isEnPassant())
        add(makeSquare(fileOf(move.to), rankOf(move.from)));
    return squares;
}

AnimationTiming animationTiming(int distance, int squareWidth, int speed)
{
    static constexpr int kStepsPerSquare[] = { 32, 32, 28, 24, 20, 16, 15, 15, 14, 13, 12, 12 };
    const int row = std::clamp(distance / std::max(squareWidth, 1), 0, 11);
    const int base = kStepsPerSquare[row] * distance / 64;
    AnimationTiming t { base, 20 };
    switch (speed) {
    case 1:
        t = { base * 2, 8 };
        break;
    case 2:
        t = { base * 3 / 2, 4 };
        break;
    case 3:
        t = { base * 2 / 3, 5 };
        break;
    default:
        break;
    }
    // Very short glides would divide by zero steps.
    t.steps = std::max(t.steps, 1);
    return t;
}

std::optional<BoardAnimation> BoardAnimation::start(const LayoutRecord& layout, bool flipped,
    Move move, PieceCode piece, int speed, bool withSound, bool highlight, bool thereAndBack,
    bool reversed)
{
    if (!isOnBoard(move.from) || !isOnBoard(move.to))
        return std::nullopt;
    BoardAnimation a;
    a.m_move = move;
    a.m_piece = piece;
    a.m_start = squareCentre(layout, reversed ? move.to : move.from, flipped);
    a.m_end = squareCentre(layout, reversed ? move.from : move.to, flipped);
    a.m_dx = a.m_end.x - a.m_start.x;
    a.m_dy = a.m_end.y - a.m_start.y;
    const int distance =
        static_cast<int>(std::sqrt(double(a.m_dx) * a.m_dx + double(a.m_dy) * a.m_dy));
    const AnimationTiming t =
        animationTiming(distance, layout[kSquareWidth], thereAndBack ? 1 : speed);
    a.m_steps = t.steps;
    a.m_timerMs = t.timerMs;
    a.m_sound = withSound;
    a.m_highlight = highlight;
    a.m_phase = thereAndBack ? 1 : 0;
    return a;
}

AnimationTick BoardAnimation::tick()
{
    ++m_step;
    AnimationTick t;
    if (m_phase == 1 && m_step >= m_steps) {
        t.kind = AnimationTick::Kind::TurnedBack;
        t.playSound = m_sound;
        std::swap(m_start, m_end);
        m_dx = -m_dx;
        m_dy = -m_dy;
        m_step = 0;
        m_phase = 0;
        t.piece = m_start;
        return t;
    }
    if (m_step < m_steps) {
        t.piece = { m_start.x + floorDiv(m_dx * m_step, m_steps),
            m_start.y + floorDiv(m_dy * m_step, m_steps) };
        return t;
    }
    return finish();
}

AnimationTick BoardAnimation::finish()
{
    AnimationTick t;
    t.kind = AnimationTick::Kind::Finished;
    t.piece = m_end;
    t.playSound = m_sound;
    t.setHighlight = m_highlight;
    t.redraw = touchedSquares(m_move);
    m_step = m_steps;
    m_phase = 0;
    return t;
}

Rect DragPicture::pieceRectAt(Point point) const
{
    const int w = m_layout[kSquareWidth], h = m_layout[kSquareHeight];
    return { point.x - w / 2, point.y - h / 2, point.x - w / 2 + w, point.y - h / 2 + h };
}

bool DragPicture::pickUp(PieceCode piece, Point point)
{
    const Square from = squareAt(m_layout, point, {}, m_flipped);
    if (!isOnBoard(from))
        return false;
    m_state = { true, piece, from, point };
    return true;
}

DragUpdate DragPicture::moveTo(Point point)
{
    if (!m_state.dragging)
        return {};
    DragUpdate u;
    u.repaint = { pieceRectAt(m_state.at), pieceRectAt(point) };
    m_state.at = point;
    return u;
}

DragUpdate DragPicture::end(Square target)
{
    if (!m_state.dragging)
        return {};
    DragUpdate u;
    u.repaint.push_back(pieceRectAt(m_state.at));
    u.redraw.push_back(m_state.from);
    if (isOnBoard(target) && target != m_state.from)
        u.redraw.push_back(target);
    m_state = {};
    return u;
}

DragUpdate DragPicture::drop(Square target)
{
    return end(target);
}

DragUpdate DragPicture::putBack()
{
    return end(NoSquare);
}

} // namespace velmorak
