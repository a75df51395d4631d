#pragma once

#include <QWidget>
#include <optional>

#include "gui/PieceSet.h"
#include "present/SetupEditor.h"

namespace velmorak::gui {

// The editing board of "Setup board": a click puts the palette's man on a square, a right
// click removes one, a drag moves one (off the board: removes it). Without a mouse: arrow
// keys move a cursor, a FEN letter chooses the man (P..K white, p..k black), Space places and
// Delete removes. Draws the editor's board; every change goes through the editor.
class SetupBoardWidget : public QWidget {
    Q_OBJECT
public:
    SetupBoardWidget(SetupEditor& editor, int pieceSet, QWidget* parent = nullptr);

    void setFlipped(bool flipped);
    bool flipped() const { return m_flipped; }
    // The widget point at the centre of `square`.
    QPoint centreOf(Square square) const;

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

signals:
    // The editing board changed.
    void edited();
    // A letter typed on the board chose the palette's man.
    void pieceChosen(PieceCode piece);

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    QRect boardRect() const;
    QRect squareRect(Square square) const;
    // The square under a widget point; NoSquare off the board.
    Square squareAt(QPoint point) const;

    SetupEditor& m_editor;
    PieceSet m_pieces;
    bool m_flipped = false;
    Square m_cursor = makeSquare(4, 1);
    // The square a left press began on, and where a drag is now.
    Square m_pressed = NoSquare;
    std::optional<QPoint> m_dragAt;
    QPoint m_pressPoint;
};

} // namespace velmorak::gui
