#include "gui/BoardWidget.h"

#include <QApplication>
#include <QContextMenuEvent>
#include <QFontMetrics>
#include <QGestureEvent>
#include <QPainter>
#include <QPainterPath>
#include <QTapAndHoldGesture>
#include <QToolTip>
#include <cmath>

#include "gui/BoardAccessible.h"
#include "gui/Icons.h"
#include "gui/QtText.h"
#include "present/CommandTable.h"
#include "present/MoveInput.h"

namespace velmorak::gui {

namespace {

// The frame is tiled in 60-pixel tiles of the layout, the layout buttons in 30-pixel ones.
constexpr int kTextureTile = 60;
constexpr int kButtonTile = 30;
// The narrowest frame (layout pixels) that gets coordinate labels.
constexpr int kLabelFrame = 10;
const QColor kMarkColour(250, 250, 80);
const QColor kAttackedMarkColour(250, 150, 80);
const QColor kArrowColour(250, 250, 80, 120);
const QColor kArrowEdgeColour(0, 0, 0, 150);
const QColor kSelectionColour(255, 0, 0);
// Unlike the selection's solid red: a dashed amber frame reads as "not yet on the board".
const QColor kDisagreementColour(255, 170, 0);
const QColor kCheckColour(235, 20, 20);
// Behind the clock of the side to move.
const QColor kToMoveColour(255, 226, 120);
const QColor kPanelFrameColour(96, 96, 96);
// The panel's text grows with the window only up to this size (logical pixels): a maximised
// window reads like the rest of the desktop, and the room left over goes to more lines.
constexpr double kPanelTextCap = 17.0;

QBrush tileBrush(const QPixmap& tile, QPoint origin)
{
    QBrush brush(tile);
    brush.setTransform(QTransform::fromTranslate(origin.x(), origin.y()));
    return brush;
}

// `text` in rows of `rowHeight` from the top of `area`, wrapped at spaces. What does not fit
// the rows is taken out of the middle of the last one, so its end (a result, the newest move
// of a line) stays readable.
void paintWrapped(QPainter& painter, const QRect& area, int rowHeight, const QString& text)
{
    const QFontMetrics metrics = painter.fontMetrics();
    const int width = area.width();
    QStringList rows;
    for (const QString& paragraph : text.split(u'\n')) {
        QString row;
        for (const QString& word : paragraph.split(u' ', Qt::SkipEmptyParts)) {
            const QString longer = row.isEmpty() ? word : row + u' ' + word;
            if (row.isEmpty() || metrics.horizontalAdvance(longer) <= width) {
                row = longer;
            } else {
                rows << row;
                row = word;
            }
        }
        rows << row;
    }
    const int fits = std::max(1, area.height() / std::max(1, rowHeight));
    if (rows.size() > fits) {
        const QString rest = rows.mid(fits - 1).join(u' ');
        rows = rows.mid(0, fits - 1);
        rows << rest;
    }
    for (int i = 0; i < rows.size(); ++i) {
        const QString shown = elidedBetweenWords(metrics, rows[i], width);
        painter.drawText(QRect(area.left(), area.top() + i * rowHeight, width, rowHeight),
            Qt::AlignLeft | Qt::AlignVCenter, shown);
    }
}

} // namespace

BoardWidget::BoardWidget(QWidget* parent)
    : QWidget(parent)
{
    // First: Qt may look the interface up (and keep it) as soon as a name is set.
    BoardAccessible::install();
    setAttribute(Qt::WA_OpaquePaintEvent);
    setMouseTracking(false);
    setFocusPolicy(Qt::StrongFocus);
    setAccessibleName(QStringLiteral("Chess board"));
    grabGesture(Qt::TapAndHoldGesture);
    m_animationTimer.setTimerType(Qt::PreciseTimer);
    connect(&m_animationTimer, &QTimer::timeout, this, [this] {
        if (m_view)
            m_view->onAnimationTimer();
    });
    m_analysisList = new QListWidget(this);
    m_analysisList->setAccessibleName(QStringLiteral("Analysis"));
    m_analysisList->setFocusPolicy(Qt::NoFocus);
    m_analysisList->hide();
}

void BoardWidget::attach(BoardView& view, MoveInput& input)
{
    m_view = &view;
    m_input = &input;
    BoardAccessible::viewAttached(this);
    layoutChanged();
}

QSize BoardWidget::sizeHint() const
{
    return { 480, 536 };
}

QSize BoardWidget::minimumSizeHint() const
{
    // Whichever layout the window's shape picks is then drawn at half its size or more, its
    // panel text at 10 pixels or more.
    return { 320, 240 };
}

Rect BoardWidget::clientRect() const
{
    if (!m_view)
        return {};
    ScreenSize client = layoutClientSize(m_view->layout());
    return { 0, 0, client.width, client.height };
}

void BoardWidget::updateFit()
{
    if (!m_view)
        return;
    const bool list = layoutHasAnalysisList(m_view->layoutIndex());
    m_fit = fitLayout(m_view->layout(), width(), height(), list);
    m_transform = LayoutTransform(m_fit, devicePixelRatioF());
    m_buttonPictures.clear();
    if (list && m_fit.spareHeight > 0) {
        QRect bottom = m_transform.toWidget(clientRect());
        m_analysisList->setGeometry(
            bottom.left(), bottom.bottom() + 1, bottom.width(), height() - bottom.bottom() - 1);
        m_analysisList->show();
    } else {
        m_analysisList->hide();
    }
}

void BoardWidget::layoutChanged()
{
    updateFit();
    update();
    BoardAccessible::boardChanged(this);
}

void BoardWidget::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    ScreenShape shape = classifyWindow(width(), height(), m_shape);
    if (shape != m_shape) {
        m_shape = shape;
        if (onScreenChanged)
            onScreenChanged(largestScreen(shape));
    }
    updateFit();
}

// --- BoardSurface -------------------------------------------------------------------------

void BoardWidget::repaintRect(Rect rect)
{
    update(m_transform.toWidget(rect).adjusted(-1, -1, 1, 1));
    BoardAccessible::boardChanged(this);
}

void BoardWidget::repaintAll()
{
    update();
    BoardAccessible::boardChanged(this);
}

void BoardWidget::armAnimationTimer(int periodMs)
{
    m_animationTimer.start(std::max(1, periodMs));
}

void BoardWidget::killAnimationTimer()
{
    m_animationTimer.stop();
}

void BoardWidget::animationFinished()
{
    if (onAnimationFinished)
        onAnimationFinished();
}

void BoardWidget::repaintClocks()
{
    if (!m_view)
        return;
    update(m_transform.toWidget(panelRects(m_view->layoutIndex(), clientRect()).clock));
}

void BoardWidget::repaintStatus()
{
    if (!m_view)
        return;
    update(m_transform.toWidget(panelRects(m_view->layoutIndex(), clientRect()).status));
}

void BoardWidget::repaintLayoutButtons()
{
    if (!m_view)
        return;
    for (int button = kFirstLayoutButton; button < kFirstLayoutButton + kLayoutButtonCount;
         ++button)
        if (auto r = layoutButtonRect(m_view->layoutIndex(), button))
            repaintRect(*r);
}

// --- Painting -----------------------------------------------------------------------------

void BoardWidget::paintEvent(QPaintEvent* event)
{
    QPainter painter(this);
    if (!m_view) {
        painter.fillRect(rect(), Qt::white);
        return;
    }
    const double dpr = devicePixelRatioF();
    if (dpr != m_transform.devicePixelRatio())
        updateFit();
    // Everything below is drawn in device pixels, so pictures are never scaled by Qt.
    painter.scale(1.0 / dpr, 1.0 / dpr);
    const QRect dirty(QPoint(int(std::floor(event->rect().left() * dpr)),
                          int(std::floor(event->rect().top() * dpr))),
        QPoint(int(std::ceil((event->rect().right() + 1) * dpr)),
            int(std::ceil((event->rect().bottom() + 1) * dpr))));
    paintBoard(painter, dirty);
    PanelContent content = panelContent ? panelContent() : PanelContent {};
    paintLayoutButtons(painter);
    paintPanel(painter, content);
    if (auto animated = m_view->animatedPiece())
        paintFloating(painter, *animated);
    if (auto dragged = m_view->draggedPiece())
        paintFloating(painter, *dragged);
}

void BoardWidget::paintBoard(QPainter& painter, const QRect& dirty)
{
    const LayoutRecord& layout = m_view->layout();
    const int tile = m_transform.deviceLength(kTextureTile);
    const QPoint origin = m_transform.toDevice(Point { 0, 0 });
    // The frame texture fills everything the board does not: the frame itself and the
    // bands beside a layout narrower than the window.
    painter.fillRect(dirty, tileBrush(m_artwork.frameTile(tile), origin));
    for (int file = 0; file < 8; ++file)
        for (int rank = 0; rank < 8; ++rank) {
            const Square square = Square(file * 16 + rank);
            if (auto r = m_view->squareRect(square);
                r && m_transform.toDevice(*r).intersects(dirty))
                paintSquare(painter, square);
        }
    // Frames of a few pixels have no room for a label.
    if (layout[kLeftFrame] >= kLabelFrame || layout[kBottomFrame] >= kLabelFrame)
        paintLabels(painter);
    paintMarksAndArrow(painter);
}

void BoardWidget::paintSquare(QPainter& painter, Square square)
{
    const QRect r = m_transform.toDevice(*m_view->squareRect(square));
    // Each square has its own cut of the texture, which goes with it when the board flips.
    const int squarePx = m_transform.deviceLength(m_view->layout()[kSquareWidth]);
    painter.fillRect(
        r, m_artwork.squareBrush(fileOf(square), rankOf(square), r.topLeft(), squarePx));
    if (square == m_view->checkedKing()) {
        // A red glow under the king, strongest at its centre, so the piece stays readable.
        QRadialGradient glow(QRectF(r).center(), std::min(r.width(), r.height()) * 0.6);
        glow.setColorAt(0.0, kCheckColour);
        glow.setColorAt(
            0.55, QColor(kCheckColour.red(), kCheckColour.green(), kCheckColour.blue(), 170));
        glow.setColorAt(
            1.0, QColor(kCheckColour.red(), kCheckColour.green(), kCheckColour.blue(), 0));
        painter.fillRect(r, glow);
    }
    const PieceCode piece = m_view->pieceShownAt(square);
    if (piece != kEmpty) {
        const int px = std::min(r.width(), r.height());
        const QPixmap& picture = m_artwork.piece(piece, px);
        if (!picture.isNull())
            painter.drawPixmap(
                r.left() + (r.width() - px) / 2, r.top() + (r.height() - px) / 2, picture);
    }
    if (std::uint8_t mark = m_view->targetMark(square)) {
        painter.save();
        painter.setRenderHint(QPainter::Antialiasing);
        painter.setPen(Qt::NoPen);
        painter.setBrush(mark == 2 ? kAttackedMarkColour : kMarkColour);
        painter.drawEllipse(QRectF(r).adjusted(
            r.width() / 3.0, r.height() / 3.0, -r.width() / 3.0, -r.height() / 3.0));
        painter.restore();
    }
}

void BoardWidget::paintLabels(QPainter& painter)
{
    const LayoutRecord& layout = m_view->layout();
    painter.save();
    QFont font = painter.font();
    const int frame = std::max(layout[kLeftFrame], layout[kBottomFrame]);
    font.setPixelSize(m_transform.deviceLength(std::clamp(frame * 0.62, 7.0, 16.0)));
    font.setBold(true);
    painter.setFont(font);
    // Written in the colour that stands out from the frame, with a faint shadow of the other.
    const bool lightFrame = m_artwork.isFrameLight();
    const QColor ink = lightFrame ? QColor(40, 40, 40) : QColor(250, 245, 230);
    const QColor shadow = lightFrame ? QColor(255, 255, 255, 120) : QColor(0, 0, 0, 140);
    auto label = [&](const Rect& area, QChar text) {
        const QRect r = m_transform.toDevice(area);
        painter.setPen(shadow);
        painter.drawText(r.translated(1, 1), Qt::AlignCenter, text);
        painter.setPen(ink);
        painter.drawText(r, Qt::AlignCenter, text);
    };
    // Each label stands beside its file's or rank's squares, so flipping moves it along.
    for (int i = 0; i < 8; ++i) {
        const Square fileSquare = Square(i * 16);
        const Square rankSquare = Square(i);
        const Rect f = *m_view->squareRect(fileSquare);
        const Rect k = *m_view->squareRect(rankSquare);
        const int boardBottom = layout[kOriginY] + 8 * layout[kSquareHeight];
        if (layout[kBottomFrame] >= kLabelFrame)
            label({ f.left, boardBottom, f.right, boardBottom + layout[kBottomFrame] },
                QChar(char16_t(u'a' + i)));
        if (layout[kLeftFrame] >= kLabelFrame)
            label({ layout[kOriginX] - layout[kLeftFrame], k.top, layout[kOriginX], k.bottom },
                QChar(char16_t(u'1' + i)));
    }
    painter.restore();
}

void BoardWidget::setBoardDisagreement(std::vector<Square> squares)
{
    if (squares == m_disagreement)
        return;
    m_disagreement = std::move(squares);
    update();
}

void BoardWidget::paintMarksAndArrow(QPainter& painter)
{
    const int pen = m_transform.deviceLength(m_view->layout()[kPenWidth]);
    for (Square square : { m_view->selectedFrom(), m_view->selectedTo() }) {
        auto r = m_view->squareRect(square);
        if (!r)
            continue;
        const QRect d = m_transform.toDevice(*r);
        painter.fillRect(QRect(d.left(), d.top(), d.width(), pen), kSelectionColour);
        painter.fillRect(QRect(d.left(), d.bottom() + 1 - pen, d.width(), pen), kSelectionColour);
        painter.fillRect(QRect(d.left(), d.top(), pen, d.height()), kSelectionColour);
        painter.fillRect(QRect(d.right() + 1 - pen, d.top(), pen, d.height()), kSelectionColour);
    }
    if (!m_disagreement.empty()) {
        painter.save();
        QPen dashed(kDisagreementColour, pen, Qt::DashLine);
        dashed.setJoinStyle(Qt::MiterJoin);
        painter.setPen(dashed);
        painter.setBrush(Qt::NoBrush);
        for (Square square : m_disagreement)
            if (auto r = m_view->squareRect(square)) {
                const QRect d = m_transform.toDevice(*r);
                painter.drawRect(d.adjusted(pen / 2, pen / 2, -(pen + 1) / 2, -(pen + 1) / 2));
            }
        painter.restore();
    }
    std::vector<Point> arrow = m_view->arrowPolygon();
    if (arrow.size() < 3)
        return;
    QPolygonF polygon;
    for (const Point& p : arrow)
        polygon << QPointF((m_transform.deviceX(p.x)), m_transform.deviceY(p.y));
    polygon << polygon.front();
    // The head lies over the moved piece: the piece shows through it, tinted, and a thin
    // dark edge keeps the arrow itself clear on light squares and light pieces.
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(QPen(kArrowEdgeColour, std::max(1.0, m_transform.devicePixelRatio())));
    painter.setBrush(kArrowColour);
    painter.drawPolygon(polygon);
    painter.restore();
}

void BoardWidget::paintLayoutButtons(QPainter& painter)
{
    const int index = m_view->layoutIndex();
    if (!layoutHasButtons(index))
        return;
    const int tile = m_transform.deviceLength(kButtonTile);
    const QPoint origin = m_transform.toDevice(Point { 0, 0 });
    const CommandState state = buttonState();
    for (int button = kFirstLayoutButton; button < kFirstLayoutButton + kLayoutButtonCount;
         ++button) {
        auto area = layoutButtonRect(index, button);
        auto action = layoutButtonAction(button, state.connected);
        if (!area || !action)
            continue;
        const QRect r = m_transform.toDevice(*area);
        painter.fillRect(r, tileBrush(m_artwork.lightTile(tile), origin));
        const bool available = isCommandAvailable(button, state);
        if (available && isLayoutButtonPressed(button, state))
            painter.fillRect(r.adjusted(2, 2, -2, -2), Qt::white);
        const int iconPx = std::min(r.width(), r.height()) * 2 / 3;
        painter.drawPixmap(r.left() + (r.width() - iconPx) / 2, r.top() + (r.height() - iconPx) / 2,
            iconPx, iconPx, layoutButtonPicture(action->icon, iconPx, available));
    }
}

const QPixmap& BoardWidget::layoutButtonPicture(int icon, int px, bool available)
{
    QPixmap& picture = m_buttonPictures[{ icon, px, available }];
    if (picture.isNull())
        picture = layoutButtonIcon(icon).pixmap(
            QSize(px, px), available ? QIcon::Normal : QIcon::Disabled);
    return picture;
}

CommandState BoardWidget::buttonState() const
{
    if (commandState)
        return commandState();
    CommandState state;
    if (panelContent) {
        const PanelContent content = panelContent();
        state.autoReplay = content.replayRunning;
        state.connected = content.connected;
    }
    return state;
}

bool BoardWidget::isLayoutButtonAvailable(int button) const
{
    return isCommandAvailable(button, buttonState());
}

QFont BoardWidget::panelFont() const
{
    QFont font = QApplication::font();
    const int scaled = m_transform.deviceLength(m_view->layout()[kLineHeight] * 0.72);
    const int cap = int(std::lround(kPanelTextCap * m_transform.devicePixelRatio()));
    font.setPixelSize(std::max(1, std::min(scaled, cap)));
    return font;
}

int BoardWidget::panelRowHeight() const
{
    const int scaled = m_transform.deviceLength(m_view->layout()[kLineHeight]);
    return std::max(1, std::min(scaled, QFontMetrics(panelFont(), this).height() * 4 / 3));
}

BoardWidget::LandscapePanel BoardWidget::landscapePanel() const
{
    const QRect status =
        m_transform.toDevice(panelRects(m_view->layoutIndex(), clientRect()).status);
    const int row = panelRowHeight();
    const int pad = std::max(2, row / 4);
    const QRect inner = status.adjusted(pad, pad / 2, -pad, -pad / 2);
    LandscapePanel p;
    p.rowHeight = row;
    p.white = QRect(inner.left(), inner.top(), inner.width(), row);
    p.black = p.white.translated(0, row);
    // The status lines keep the foot of the panel: one line, then up to three.
    p.second = QRect(inner.left(), inner.bottom() + 1 - 3 * row, inner.width(), 3 * row);
    p.first = QRect(inner.left(), p.second.top() - row, inner.width(), row);
    // The move list takes every row between.
    const int top = p.black.bottom() + 1 + row / 3;
    p.rows = std::max(1, (p.first.top() - row / 3 - top) / row);
    p.list = QRect(inner.left(), top, inner.width(), p.rows * row);
    return p;
}

int BoardWidget::panelLineCharacters() const
{
    if (!m_view)
        return 10;
    const QRect status =
        m_transform.toDevice(panelRects(m_view->layoutIndex(), clientRect()).status);
    const int average = std::max(1, QFontMetrics(panelFont(), this).averageCharWidth());
    return std::max(10, (status.width() - 2 * std::max(2, panelRowHeight() / 4)) / average);
}

int BoardWidget::moveListRows() const
{
    return m_view && isLandscapeLayout(m_view->layoutIndex()) ? landscapePanel().rows
                                                              : LandscapeMoveList::kRows;
}

void BoardWidget::paintColourMark(QPainter& painter, const QRect& line, bool white) const
{
    const int side = std::max(4, line.height() * 9 / 20);
    const QRect mark(line.left(), line.top() + (line.height() - side) / 2, side, side);
    painter.save();
    painter.setPen(QPen(kPanelFrameColour, 1));
    painter.setBrush(white ? Qt::white : Qt::black);
    painter.drawRect(mark.adjusted(0, 0, -1, -1));
    painter.restore();
}

int BoardWidget::clockFaceWidth(const QFontMetrics& metrics) const
{
    // Mark, gap, the time in bold and a margin on either side.
    QFont bold = panelFont();
    bold.setBold(true);
    return metrics.height() + QFontMetrics(bold, this).horizontalAdvance(QStringLiteral("00:00")) +
        metrics.height() / 2;
}

void BoardWidget::paintClockFace(QPainter& painter, const QRect& box, const ClockFace& face) const
{
    if (face.time.empty())
        return;
    painter.save();
    const int margin = std::max(2, box.height() / 6);
    if (face.toMove) {
        painter.setRenderHint(QPainter::Antialiasing);
        painter.setPen(Qt::NoPen);
        painter.setBrush(kToMoveColour);
        painter.drawRoundedRect(QRectF(box).adjusted(0, 1, 0, -1), margin, margin);
        QFont bold = painter.font();
        bold.setBold(true);
        painter.setFont(bold);
    }
    const QRect inner = box.adjusted(margin, 0, -margin, 0);
    paintColourMark(painter, inner, face.white);
    const int markRoom = std::max(4, box.height() * 9 / 20) + margin;
    painter.setPen(Qt::black);
    painter.drawText(
        inner.adjusted(markRoom, 0, 0, 0), Qt::AlignLeft | Qt::AlignVCenter, toQString(face.time));
    painter.restore();
}

void BoardWidget::paintPanel(QPainter& painter, const PanelContent& content)
{
    const int index = m_view->layoutIndex();
    const PanelRects panel = panelRects(index, clientRect());
    painter.save();
    painter.setFont(panelFont());
    const QFontMetrics metrics = painter.fontMetrics();
    const QRect status = m_transform.toDevice(panel.status);
    const int row = panelRowHeight();
    const int pad = std::max(2, row / 4);
    const int faceWidth = clockFaceWidth(metrics);
    painter.fillRect(status, Qt::white);
    painter.setPen(kPanelFrameColour);
    painter.drawRect(status.adjusted(0, 0, -1, -1));
    painter.setPen(Qt::black);
    if (isLandscapeLayout(index)) {
        const QRect clock = m_transform.toDevice(panel.clock);
        painter.fillRect(clock, Qt::white);
        painter.setPen(kPanelFrameColour);
        painter.drawRect(clock.adjusted(0, 0, -1, -1));
        // One clock at each end of its box, clear of the frame.
        const int top = clock.top() + (clock.height() - row) / 2;
        paintClockFace(painter, QRect(clock.left() + pad, top, faceWidth, row), content.clocks[0]);
        paintClockFace(painter, QRect(clock.right() + 1 - pad - faceWidth, top, faceWidth, row),
            content.clocks[1]);
        painter.setPen(Qt::black);
        paintLandscapePanel(painter, content);
    } else {
        // The first line and the clocks share the top row; the second text has the rest.
        const QRect first(
            status.left() + pad, status.top() + pad / 2, status.width() - 2 * pad, row);
        const int clocksLeft = first.right() + 1 - 2 * faceWidth - pad;
        paintClockFace(painter, QRect(clocksLeft, first.top(), faceWidth, row), content.clocks[0]);
        paintClockFace(painter, QRect(clocksLeft + faceWidth + pad, first.top(), faceWidth, row),
            content.clocks[1]);
        const QRect firstText = first.adjusted(0, 0, -(first.right() + 1 - clocksLeft) - pad, 0);
        painter.drawText(firstText, Qt::AlignLeft | Qt::AlignVCenter,
            metrics.elidedText(toQString(content.lines.first), Qt::ElideRight, firstText.width()));
        QRect second(first.left(), first.bottom() + 1, first.width(),
            status.bottom() - pad / 2 - first.bottom());
        if (!content.players.empty() && second.height() >= 2 * row) {
            // The players keep the panel's last row; the second text wraps above them.
            const QRect players(second.left(), second.bottom() + 1 - row, second.width(), row);
            paintWrapped(painter, players, row, toQString(content.players));
            second.setBottom(players.top() - 1);
        }
        paintWrapped(painter, second, row, toQString(content.lines.second));
    }
    painter.restore();
}

void BoardWidget::paintLandscapePanel(QPainter& painter, const PanelContent& content)
{
    const LandscapePanel p = landscapePanel();
    const QFontMetrics metrics = painter.fontMetrics();
    // Long names end in an ellipsis rather than run out of the panel.
    auto name = [&](const QRect& line, const std::string& text, bool white) {
        paintColourMark(painter, line, white);
        const QRect rest =
            line.adjusted(std::max(4, line.height() * 9 / 20) + p.rowHeight / 4, 0, 0, 0);
        painter.drawText(rest, Qt::AlignLeft | Qt::AlignVCenter,
            metrics.elidedText(toQString(text), Qt::ElideRight, rest.width()));
    };
    name(p.white, content.white, true);
    name(p.black, content.black, false);
    if (content.moveList) {
        const int width = p.list.width();
        const int numberWidth = width / 5, moveWidth = width / 3;
        const auto& rows = content.moveList->rows();
        for (int i = 0; i < int(rows.size()) && i < p.rows; ++i) {
            const LandscapeMoveList::Row& r = rows[std::size_t(i)];
            const int top = p.list.top() + i * p.rowHeight;
            auto cell = [&](int left, int cellWidth, const std::string& text, bool current,
                            Qt::Alignment align) {
                const QRect d(p.list.left() + left, top, cellWidth, p.rowHeight);
                if (current)
                    painter.fillRect(d, QColor(250, 250, 80));
                const QRect inner = d.adjusted(2, 0, -2, 0);
                painter.drawText(inner, align | Qt::AlignVCenter,
                    metrics.elidedText(toQString(text), Qt::ElideRight, inner.width()));
            };
            cell(0, numberWidth, r.number, false, Qt::AlignRight);
            cell(numberWidth, moveWidth, r.white.text, r.white.current, Qt::AlignLeft);
            cell(numberWidth + moveWidth, moveWidth, r.black.text, r.black.current, Qt::AlignLeft);
        }
    }
    painter.drawText(p.first, Qt::AlignLeft | Qt::AlignVCenter,
        metrics.elidedText(toQString(content.lines.first), Qt::ElideRight, p.first.width()));
    paintWrapped(painter, p.second, p.rowHeight, toQString(content.lines.second));
}

void BoardWidget::paintFloating(QPainter& painter, const FloatingPiece& piece)
{
    const LayoutRecord& layout = m_view->layout();
    const QRect r = m_transform.toDevice(Rect { piece.topLeft.x, piece.topLeft.y,
        piece.topLeft.x + layout[kSquareWidth], piece.topLeft.y + layout[kSquareHeight] });
    const int px = std::min(r.width(), r.height());
    const QPixmap& picture = m_artwork.piece(piece.piece, px);
    if (!picture.isNull())
        painter.drawPixmap(
            r.left() + (r.width() - px) / 2, r.top() + (r.height() - px) / 2, picture);
}

// --- Input --------------------------------------------------------------------------------

int BoardWidget::layoutButtonAt(Point point) const
{
    for (int button = kFirstLayoutButton; button < kFirstLayoutButton + kLayoutButtonCount;
         ++button) {
        auto r = layoutButtonRect(m_view->layoutIndex(), button);
        if (r && point.x >= r->left && point.x < r->right && point.y >= r->top &&
            point.y < r->bottom)
            return button;
    }
    return 0;
}

const CGameNode* BoardWidget::moveListNodeAt(Point point) const
{
    if (!isLandscapeLayout(m_view->layoutIndex()) || !panelContent)
        return nullptr;
    const LandscapePanel p = landscapePanel();
    const QPoint at = m_transform.toDevice(point);
    if (!p.list.contains(at))
        return nullptr;
    PanelContent content = panelContent();
    if (!content.moveList)
        return nullptr;
    const int row = (at.y() - p.list.top()) / p.rowHeight;
    const int column = LandscapeMoveList::columnAt(at.x() - p.list.left(), p.list.width());
    return content.moveList->nodeAt(row, column);
}

void BoardWidget::mousePressEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton || !m_view) {
        event->ignore();
        return;
    }
    m_pressed = true;
    m_dragMoved = false;
    m_pressPoint = event->position();
    const Point point = m_transform.toLayout(event->position());
    m_pressedButton = layoutButtonAt(point);
    m_pressOnMoveList = false;
    if (m_pressedButton != 0)
        return;
    if (const CGameNode* node = moveListNodeAt(point)) {
        m_pressOnMoveList = true;
        if (onMoveListNode)
            onMoveListNode(node);
        return;
    }
    m_input->penDown(point);
}

void BoardWidget::mouseMoveEvent(QMouseEvent* event)
{
    if (!m_pressed || !m_view || !(event->buttons() & Qt::LeftButton))
        return;
    if (!m_dragMoved &&
        (event->position() - m_pressPoint).manhattanLength() < QApplication::startDragDistance())
        return;
    m_dragMoved = true;
    if (m_pressedButton == 0 && !m_pressOnMoveList)
        m_input->penMove(m_transform.toLayout(event->position()));
}

void BoardWidget::mouseReleaseEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton || !m_pressed || !m_view) {
        event->ignore();
        return;
    }
    m_pressed = false;
    const QPointF at = m_dragMoved ? event->position() : m_pressPoint;
    const Point point = m_transform.toLayout(at);
    if (m_pressedButton != 0) {
        const int button = m_pressedButton;
        m_pressedButton = 0;
        if (layoutButtonAt(point) == button && onCommand && isLayoutButtonAvailable(button))
            onCommand(button);
        return;
    }
    if (m_pressOnMoveList)
        return;
    // A press and release within the drag distance is a tap where it was pressed.
    m_input->penUp(point);
}

void BoardWidget::tapSquare(Square square)
{
    if (!m_view || !m_input)
        return;
    auto area = m_view->squareRect(square);
    if (!area)
        return;
    const Point centre { (area->left + area->right) / 2, (area->top + area->bottom) / 2 };
    m_input->penDown(centre);
    m_input->penUp(centre);
}

void BoardWidget::contextMenuEvent(QContextMenuEvent* event)
{
    if (!m_view || !onContextMenu)
        return;
    Point point = m_transform.toLayout(event->pos());
    QPoint global = event->globalPos();
    if (event->reason() == QContextMenuEvent::Keyboard) {
        // The Menu key opens the menu where a press and hold would: on the status area.
        const Rect status = panelRects(m_view->layoutIndex(), clientRect()).status;
        point = { status.left + 4, status.top + 4 };
        global = mapToGlobal(m_transform.toWidget(status).topLeft() + QPoint(4, 4));
    }
    if (m_input)
        m_input->cancel();
    onContextMenu(global, point);
}

void BoardWidget::focusOutEvent(QFocusEvent* event)
{
    QWidget::focusOutEvent(event);
    if (m_input && m_pressed) {
        m_pressed = false;
        m_input->cancel();
    }
}

void BoardWidget::wheelEvent(QWheelEvent* event)
{
    event->accept();
}

bool BoardWidget::event(QEvent* event)
{
    if (event->type() == QEvent::Gesture) {
        auto* gestures = static_cast<QGestureEvent*>(event);
        if (auto* hold = static_cast<QTapAndHoldGesture*>(gestures->gesture(Qt::TapAndHoldGesture));
            hold && hold->state() == Qt::GestureFinished && m_view && onContextMenu) {
            const QPoint local = mapFromGlobal(hold->position().toPoint());
            m_pressed = false;
            if (m_input)
                m_input->cancel();
            onContextMenu(hold->position().toPoint(), m_transform.toLayout(local));
        }
        return true;
    }
    if (event->type() == QEvent::ToolTip && m_view && panelContent) {
        // The layout buttons' tooltips.
        auto* help = static_cast<QHelpEvent*>(event);
        const int button = layoutButtonAt(m_transform.toLayout(help->pos()));
        auto action = button ? layoutButtonAction(button, buttonState().connected) : std::nullopt;
        if (action) {
            QToolTip::showText(help->globalPos(), toQString(shownTooltip(action->tooltip)), this);
        } else {
            QToolTip::hideText();
        }
        return true;
    }
    return QWidget::event(event);
}

void BoardWidget::openContextMenuFromKeyboard()
{
    QContextMenuEvent event(QContextMenuEvent::Keyboard, QPoint(), QCursor::pos());
    contextMenuEvent(&event);
}

} // namespace velmorak::gui
