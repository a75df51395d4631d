#pragma once

#include <QListWidget>
#include <QPointer>
#include <QTimer>
#include <QWidget>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <tuple>
#include <vector>

#include "gui/Artwork.h"
#include "gui/LayoutTransform.h"
#include "present/BoardView.h"
#include "present/CommandTable.h"
#include "present/StatusPanel.h"
#include "present/WindowFit.h"

namespace velmorak {
class CGameNode;
class MoveInput;
} // namespace velmorak

namespace velmorak::gui {

// What the panel beside or below the board shows, computed by the window from the core.
struct PanelContent {
    StatusLines lines;
    // The players, below the lines when the second shows something else.
    std::string players;
    std::string clock;
    // The same two clocks, each with its side and whether that side is to move.
    ClockFaces clocks;
    // The landscape layouts: the players' names and the move list.
    std::string white, black;
    std::optional<LandscapeMoveList> moveList;
    bool connected = false;
    // Layout button 396 shows pressed while the replay runs.
    bool replayRunning = false;
};

// The main window's client area: the chosen layout scaled to fill it, the board, its frame
// and labels, the layout buttons, the status panel and the clocks, and below them the
// analysis list where the layout has one. It paints what the core's board view holds and
// hands the pointer to the move input.
class BoardWidget : public QWidget, public BoardSurface {
    Q_OBJECT
public:
    explicit BoardWidget(QWidget* parent = nullptr);

    // Both must outlive the widget.
    void attach(BoardView& view, MoveInput& input);
    Artwork& artwork() { return m_artwork; }
    const BoardView* view() const { return m_view; }
    // A tap in the middle of `square`, as the pointer would make it (screen readers press
    // squares this way).
    void tapSquare(Square square);
    // The squares where a connected DGT board shows something else than the game: framed
    // until the two agree, so that a move shown here can be made there.
    void setBoardDisagreement(std::vector<Square> squares);

    // What the window provides.
    std::function<PanelContent()> panelContent;
    // The screen a layout is to be chosen for changed (the window changed class).
    std::function<void(ScreenSize)> onScreenChanged;
    // The commands' state as the menus show it; a layout button is drawn and runs as its
    // command's availability in it says.
    std::function<CommandState()> commandState;
    std::function<void(int command)> onCommand;
    std::function<void(const CGameNode*)> onMoveListNode;
    // A context menu is asked for at a point of the layout (press and hold, right click,
    // the Menu key).
    std::function<void(QPoint globalPos, Point layoutPoint)> onContextMenu;
    std::function<void()> onAnimationFinished;
    // Both clocks as a screen reader says them ("White 4:59, Black 5:00").
    std::function<std::string()> readClocks;

    // The layout changed: the scale, the analysis list and everything painted follow.
    void layoutChanged();
    const LayoutTransform& transform() const { return m_transform; }
    QListWidget* analysisList() const { return m_analysisList; }
    // Shift+F10: the context menu where a press and hold on the panel opens it.
    void openContextMenuFromKeyboard();
    // The clock area alone is repainted (timer 100).
    void repaintClocks();
    void repaintStatus();
    // The layout buttons (their pressed state or their set changed).
    void repaintLayoutButtons();
    // What the layout buttons follow: the window's command state, else the panel's
    // connection and replay alone.
    CommandState buttonState() const;
    bool isLayoutButtonAvailable(int button) const;
    // How many characters of panel text fit the width of the panel's lines at the present size.
    int panelLineCharacters() const;
    // How many rows the landscape panel's move list has room for at the present size.
    int moveListRows() const;
    // The client rectangle of the layout, in layout pixels.
    Rect clientRect() const;
    std::optional<ScreenShape> shape() const { return m_shape; }

    // BoardSurface
    void repaintRect(Rect rect) override;
    void repaintAll() override;
    void armAnimationTimer(int periodMs) override;
    void killAnimationTimer() override;
    void animationFinished() override;

    QSize sizeHint() const override;
    // Below this the panel's text would be too small to read or no longer fit.
    QSize minimumSizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    bool event(QEvent* event) override;

private:
    void updateFit();
    void paintBoard(QPainter& painter, const QRect& dirty);
    void paintSquare(QPainter& painter, Square square);
    void paintLabels(QPainter& painter);
    void paintMarksAndArrow(QPainter& painter);
    void paintLayoutButtons(QPainter& painter);
    void paintPanel(QPainter& painter, const PanelContent& content);
    void paintLandscapePanel(QPainter& painter, const PanelContent& content);
    void paintColourMark(QPainter& painter, const QRect& line, bool white) const;
    void paintClockFace(QPainter& painter, const QRect& box, const ClockFace& face) const;
    int clockFaceWidth(const QFontMetrics& metrics) const;
    // The height of a row of panel text, device pixels: the layout's line, or less once the
    // text has stopped growing.
    int panelRowHeight() const;
    // Where the landscape panel's parts go, device pixels.
    struct LandscapePanel {
        QRect white, black, list, first, second;
        int rows = 0;
        int rowHeight = 1;
    };
    LandscapePanel landscapePanel() const;
    void paintFloating(QPainter& painter, const FloatingPiece& piece);
    QFont panelFont() const;
    const QPixmap& layoutButtonPicture(int icon, int px, bool available);
    int layoutButtonAt(Point point) const;
    const CGameNode* moveListNodeAt(Point point) const;

    BoardView* m_view = nullptr;
    MoveInput* m_input = nullptr;
    Artwork m_artwork;
    // The layout buttons' pictures by icon and size (buttons rounded to device pixels differ
    // by a pixel), dropped when the scale changes: drawing them from their SVG in every
    // paint cost more than the whole rest of the board.
    std::map<std::tuple<int, int, bool>, QPixmap> m_buttonPictures;
    LayoutFit m_fit;
    LayoutTransform m_transform;
    std::optional<ScreenShape> m_shape;
    QTimer m_animationTimer;
    QPointer<QListWidget> m_analysisList;
    // The press that started the current pointer gesture.
    QPointF m_pressPoint;
    bool m_pressed = false;
    bool m_dragMoved = false;
    int m_pressedButton = 0;
    bool m_pressOnMoveList = false;
    std::vector<Square> m_disagreement;
};

} // namespace velmorak::gui
