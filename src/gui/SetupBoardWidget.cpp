#include "gui/SetupBoardWidget.h"

#include <QApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <algorithm>

namespace velmorak::gui {

namespace {

constexpr int kSmallestSquare = 36;
constexpr int kNaturalSquare = 48;
const QColor kLightSquare(238, 224, 190);
const QColor kDarkSquare(176, 132, 92);

} // namespace

SetupBoardWidget::SetupBoardWidget(SetupEditor& editor, int pieceSet, QWidget* parent)
    : QWidget(parent)
    , m_editor(editor)
    , m_pieces(pieceSet)
{
    setFocusPolicy(Qt::StrongFocus);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
    setAccessibleName(QStringLiteral("Editing board"));
}

void SetupBoardWidget::setFlipped(bool flipped)
{
    m_flipped = flipped;
    update();
}

QSize SetupBoardWidget::sizeHint() const
{
    return { 8 * kNaturalSquare, 8 * kNaturalSquare };
}

QSize SetupBoardWidget::minimumSizeHint() const
{
    return { 8 * kSmallestSquare, 8 * kSmallestSquare };
}

QRect SetupBoardWidget::boardRect() const
{
    const int side = std::min(width(), height()) / 8 * 8;
    return { (width() - side) / 2, 0, side, side };
}

QRect SetupBoardWidget::squareRect(Square square) const
{
    const QRect board = boardRect();
    const int px = board.width() / 8;
    int column = fileOf(square);
    int row = 7 - rankOf(square);
    if (m_flipped) {
        column = 7 - column;
        row = 7 - row;
    }
    return { board.left() + column * px, board.top() + row * px, px, px };
}

QPoint SetupBoardWidget::centreOf(Square square) const
{
    return squareRect(square).center();
}

Square SetupBoardWidget::squareAt(QPoint point) const
{
    const QRect board = boardRect();
    if (!board.contains(point) || board.width() < 8)
        return NoSquare;
    const int px = board.width() / 8;
    int column = std::clamp((point.x() - board.left()) / px, 0, 7);
    int row = std::clamp((point.y() - board.top()) / px, 0, 7);
    if (m_flipped) {
        column = 7 - column;
        row = 7 - row;
    }
    return makeSquare(column, 7 - row);
}

void SetupBoardWidget::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    const Board& board = m_editor.board();
    const int px = boardRect().width() / 8;
    for (int file = 0; file < 8; ++file)
        for (int rank = 0; rank < 8; ++rank) {
            const Square square = makeSquare(file, rank);
            const QRect r = squareRect(square);
            painter.fillRect(r, (file + rank) % 2 ? kLightSquare : kDarkSquare);
            const PieceCode piece = board.pieceAt(square);
            if (piece == kEmpty || (m_dragAt && square == m_pressed))
                continue;
            painter.drawImage(r.topLeft(), m_pieces.render(piece, px));
        }
    if (hasFocus()) {
        painter.setPen(QPen(palette().highlight(), 3));
        painter.drawRect(squareRect(m_cursor).adjusted(1, 1, -2, -2));
    }
    if (m_dragAt && m_pressed != NoSquare)
        painter.drawImage(
            *m_dragAt - QPoint(px / 2, px / 2), m_pieces.render(board.pieceAt(m_pressed), px));
}

void SetupBoardWidget::mousePressEvent(QMouseEvent* event)
{
    const Square square = squareAt(event->position().toPoint());
    if (square == NoSquare)
        return;
    m_cursor = square;
    if (event->button() == Qt::RightButton) {
        m_editor.remove(square);
        emit edited();
    } else if (event->button() == Qt::LeftButton) {
        m_pressed = square;
        m_pressPoint = event->position().toPoint();
    }
    update();
}

void SetupBoardWidget::mouseMoveEvent(QMouseEvent* event)
{
    if (m_pressed == NoSquare || m_editor.board().pieceAt(m_pressed) == kEmpty)
        return;
    const QPoint at = event->position().toPoint();
    if (!m_dragAt && (at - m_pressPoint).manhattanLength() < QApplication::startDragDistance())
        return;
    m_dragAt = at;
    update();
}

void SetupBoardWidget::mouseReleaseEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton || m_pressed == NoSquare)
        return;
    const Square from = m_pressed;
    const bool dragged = m_dragAt.has_value();
    m_pressed = NoSquare;
    m_dragAt.reset();
    const Square to = squareAt(event->position().toPoint());
    if (!dragged)
        m_editor.place(from);
    else if (to == NoSquare)
        m_editor.remove(from);
    else
        m_editor.move(from, to);
    emit edited();
    update();
}

void SetupBoardWidget::keyPressEvent(QKeyEvent* event)
{
    int file = fileOf(m_cursor);
    int rank = rankOf(m_cursor);
    const int step = m_flipped ? -1 : 1;
    switch (event->key()) {
    case Qt::Key_Left:
        file -= step;
        break;
    case Qt::Key_Right:
        file += step;
        break;
    case Qt::Key_Up:
        rank += step;
        break;
    case Qt::Key_Down:
        rank -= step;
        break;
    case Qt::Key_Space:
        m_editor.place(m_cursor);
        emit edited();
        break;
    case Qt::Key_Delete:
    case Qt::Key_Backspace:
        m_editor.remove(m_cursor);
        emit edited();
        break;
    default:
        if (const QString text = event->text(); text.size() == 1 &&
            !(event->modifiers() & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier))) {
            const PieceCode piece = pieceFromFenLetter(text.front().toLatin1());
            if (piece != kEmpty) {
                m_editor.selectPiece(piece);
                emit pieceChosen(piece);
                return;
            }
        }
        QWidget::keyPressEvent(event);
        return;
    }
    m_cursor = makeSquare(std::clamp(file, 0, 7), std::clamp(rank, 0, 7));
    update();
}

} // namespace velmorak::gui
