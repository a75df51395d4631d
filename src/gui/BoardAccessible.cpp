#include "gui/BoardAccessible.h"

#include <QAccessibleActionInterface>
#include <QTimer>
#include <utility>

#include "gui/BoardWidget.h"
#include "gui/QtText.h"
#include "present/BoardView.h"

namespace velmorak::gui {

namespace {

constexpr int kSquareCount = 64;

int slotOf(Square square)
{
    return fileOf(square) * 8 + rankOf(square);
}

QString pieceName(PieceCode piece)
{
    static constexpr const char* kKinds[] = { "king", "bishop", "knight", "rook", "pawn", "queen" };
    if (kindOf(piece) > kQueen || piece > kBlackQueen)
        return QStringLiteral("empty");
    return QString::fromLatin1(isBlackPiece(piece) ? "black " : "white ") +
        QString::fromLatin1(kKinds[kindOf(piece)]);
}

bool isConnected(const BoardWidget& board)
{
    return board.buttonState().connected;
}

// A layout-coordinate rectangle of the board widget in screen coordinates.
QRect screenRect(const BoardWidget& board, const Rect& area)
{
    const QRect local = board.transform().toWidget(area);
    return QRect(board.mapToGlobal(local.topLeft()), local.size());
}

// What the square and button children share: no object, no children, the board as parent,
// and a press action.
class BoardPart : public QAccessibleInterface, public QAccessibleActionInterface {
public:
    explicit BoardPart(BoardAccessible& board)
        : m_board(board)
    {
    }

    bool isValid() const override { return m_board.isValid() && m_board.board()->view(); }
    QObject* object() const override { return nullptr; }
    QWindow* window() const override { return m_board.window(); }
    QAccessibleInterface* focusChild() const override { return nullptr; }
    QAccessibleInterface* childAt(int, int) const override { return nullptr; }
    QAccessibleInterface* parent() const override { return &m_board; }
    QAccessibleInterface* child(int) const override { return nullptr; }
    int childCount() const override { return 0; }
    int indexOfChild(const QAccessibleInterface*) const override { return -1; }
    void setText(QAccessible::Text, const QString&) override { }
    QAccessible::Role role() const override { return QAccessible::Button; }
    void* interface_cast(QAccessible::InterfaceType type) override
    {
        return type == QAccessible::ActionInterface ? static_cast<QAccessibleActionInterface*>(this)
                                                    : nullptr;
    }
    QStringList actionNames() const override { return { pressAction() }; }
    QStringList keyBindingsForAction(const QString&) const override { return {}; }

protected:
    BoardWidget& widget() const { return *m_board.board(); }
    const BoardView& view() const { return *m_board.board()->view(); }

    BoardAccessible& m_board;
};

class SquarePart final : public BoardPart {
public:
    SquarePart(BoardAccessible& board, Square square)
        : BoardPart(board)
        , m_square(square)
    {
    }

    QString text(QAccessible::Text t) const override
    {
        if (t != QAccessible::Name || !isValid())
            return {};
        return BoardAccessible::squareName(
            m_square, view().pieceShownAt(m_square), view().targetMark(m_square));
    }
    QRect rect() const override
    {
        if (!isValid())
            return {};
        auto area = view().squareRect(m_square);
        return area ? screenRect(widget(), *area) : QRect();
    }
    QAccessible::State state() const override
    {
        QAccessible::State s;
        if (!isValid())
            return s;
        s.invisible = !widget().isVisible();
        s.selectable = true;
        s.selected = view().selectedFrom() == m_square || view().selectedTo() == m_square;
        return s;
    }
    void doAction(const QString& name) override
    {
        if (name == pressAction() && isValid())
            widget().tapSquare(m_square);
    }

private:
    Square m_square;
};

class ButtonPart final : public BoardPart {
public:
    ButtonPart(BoardAccessible& board, int button)
        : BoardPart(board)
        , m_button(button)
    {
    }

    QString text(QAccessible::Text t) const override
    {
        if ((t != QAccessible::Name && t != QAccessible::Description) || !isValid())
            return {};
        auto action = layoutButtonAction(m_button, isConnected(widget()));
        return action && t == QAccessible::Name ? toQString(shownTooltip(action->tooltip))
                                                : QString();
    }
    QRect rect() const override
    {
        if (!isValid())
            return {};
        auto area = layoutButtonRect(view().layoutIndex(), m_button);
        return area ? screenRect(widget(), *area) : QRect();
    }
    QAccessible::State state() const override
    {
        QAccessible::State s;
        if (!isValid())
            return s;
        s.invisible = !widget().isVisible();
        const CommandState command = widget().buttonState();
        s.disabled = !isCommandAvailable(m_button, command);
        s.pressed = !s.disabled && isLayoutButtonPressed(m_button, command);
        return s;
    }
    void doAction(const QString& name) override
    {
        if (name == pressAction() && isValid() && widget().onCommand &&
            widget().isLayoutButtonAvailable(m_button))
            widget().onCommand(m_button);
    }

private:
    int m_button;
};

// The panel's painted texts: the two status lines and the clocks, read only.
class PanelPart final : public BoardPart {
public:
    static constexpr int kSecondLine = 1, kClocks = 2;

    PanelPart(BoardAccessible& board, int part)
        : BoardPart(board)
        , m_part(part)
    {
    }

    QAccessible::Role role() const override { return QAccessible::StaticText; }
    void* interface_cast(QAccessible::InterfaceType) override { return nullptr; }
    QString text(QAccessible::Text t) const override
    {
        if (t != QAccessible::Name || !isValid())
            return {};
        if (m_part == kClocks)
            return widget().readClocks ? toQString(widget().readClocks()) : QString();
        if (!widget().panelContent)
            return {};
        const StatusLines lines = widget().panelContent().lines;
        return toQString(m_part == kSecondLine ? lines.second : lines.first);
    }
    QRect rect() const override
    {
        if (!isValid())
            return {};
        const PanelRects panel = panelRects(view().layoutIndex(), widget().clientRect());
        if (m_part == kClocks)
            return screenRect(widget(), panel.clock);
        // The lines share the status area, one above the other.
        Rect line = panel.status;
        const int middle = (line.top + line.bottom) / 2;
        (m_part == kSecondLine ? line.top : line.bottom) = middle;
        return screenRect(widget(), line);
    }
    QAccessible::State state() const override
    {
        QAccessible::State s;
        s.invisible = !isValid() || !widget().isVisible();
        s.readOnly = true;
        return s;
    }
    void doAction(const QString&) override { }

private:
    int m_part;
};

constexpr int kPanelParts = 3;

BoardAccessible::Announcer g_announcer = &QAccessible::updateAccessibility;

QAccessibleInterface* boardFactory(const QString&, QObject* object)
{
    if (auto* board = qobject_cast<BoardWidget*>(object))
        return new BoardAccessible(board);
    return nullptr;
}

} // namespace

BoardAccessible::BoardAccessible(BoardWidget* board)
    : QAccessibleWidget(board, QAccessible::Client)
{
    prime();
}

BoardAccessible::~BoardAccessible()
{
    for (QAccessible::Id id : m_squareIds)
        if (id)
            QAccessible::deleteAccessibleInterface(id);
    for (QAccessible::Id id : m_buttonIds)
        if (id)
            QAccessible::deleteAccessibleInterface(id);
    for (QAccessible::Id id : m_panelIds)
        if (id)
            QAccessible::deleteAccessibleInterface(id);
}

BoardAccessible::Announcer BoardAccessible::setAnnouncer(Announcer announcer)
{
    return std::exchange(g_announcer, announcer);
}

void BoardAccessible::install()
{
    // The factory list ignores a factory it holds already.
    QAccessible::installFactory(boardFactory);
}

BoardWidget* BoardAccessible::board() const
{
    return static_cast<BoardWidget*>(widget());
}

QString BoardAccessible::squareName(Square square, PieceCode piece, std::uint8_t mark)
{
    QString name = toQString(squareText(square)) + QStringLiteral(", ") + pieceName(piece);
    if (mark == 1)
        name += QStringLiteral(", legal target");
    else if (mark == 2)
        name += QStringLiteral(", legal target, attacked");
    return name;
}

Square BoardAccessible::squareAtIndex(int index, bool flipped)
{
    const int row = index / 8, column = index % 8;
    return flipped ? makeSquare(7 - column, row) : makeSquare(column, 7 - row);
}

int BoardAccessible::indexOfSquare(Square square, bool flipped)
{
    const int file = fileOf(square), rank = rankOf(square);
    return flipped ? rank * 8 + (7 - file) : (7 - rank) * 8 + file;
}

std::vector<int> BoardAccessible::shownButtons() const
{
    std::vector<int> shown;
    const BoardView* view = board()->view();
    if (!view || !layoutHasButtons(view->layoutIndex()))
        return shown;
    const bool connected = isConnected(*board());
    for (int button = kFirstLayoutButton; button < kFirstLayoutButton + kLayoutButtonCount;
         ++button)
        if (layoutButtonRect(view->layoutIndex(), button) && layoutButtonAction(button, connected))
            shown.push_back(button);
    return shown;
}

int BoardAccessible::childCount() const
{
    if (!board()->view())
        return QAccessibleWidget::childCount();
    return kSquareCount + int(shownButtons().size()) + panelPartCount() +
        QAccessibleWidget::childCount();
}

QAccessibleInterface* BoardAccessible::child(int index) const
{
    const BoardView* view = board()->view();
    if (!view)
        return QAccessibleWidget::child(index);
    if (index < 0)
        return nullptr;
    if (index < kSquareCount)
        return squareChild(squareAtIndex(index, view->flipped()));
    const std::vector<int> buttons = shownButtons();
    index -= kSquareCount;
    if (index < int(buttons.size()))
        return buttonChild(buttons[std::size_t(index)]);
    index -= int(buttons.size());
    if (index < panelPartCount())
        return panelChild(index);
    return QAccessibleWidget::child(index - panelPartCount());
}

int BoardAccessible::indexOfChild(const QAccessibleInterface* child) const
{
    const BoardView* view = board()->view();
    if (!child || !view)
        return QAccessibleWidget::indexOfChild(child);
    const QAccessible::Id id = QAccessible::uniqueId(const_cast<QAccessibleInterface*>(child));
    for (int slot = 0; slot < kSquareCount; ++slot)
        if (m_squareIds[std::size_t(slot)] == id)
            return indexOfSquare(makeSquare(slot / 8, slot % 8), view->flipped());
    const std::vector<int> buttons = shownButtons();
    for (std::size_t i = 0; i < buttons.size(); ++i)
        if (m_buttonIds[std::size_t(buttons[i] - kFirstLayoutButton)] == id)
            return kSquareCount + int(i);
    const int panelFirst = kSquareCount + int(buttons.size());
    for (int part = 0; part < panelPartCount(); ++part)
        if (m_panelIds[std::size_t(part)] == id)
            return panelFirst + part;
    const int own = QAccessibleWidget::indexOfChild(child);
    return own < 0 ? -1 : panelFirst + panelPartCount() + own;
}

QAccessibleInterface* BoardAccessible::childAt(int x, int y) const
{
    const BoardView* view = board()->view();
    if (!view)
        return QAccessibleWidget::childAt(x, y);
    const QPoint local = board()->mapFromGlobal(QPoint(x, y));
    if (!board()->rect().contains(local))
        return nullptr;
    // The real children (the move field, the analysis list) lie over the board's picture.
    for (int i = 0; i < QAccessibleWidget::childCount(); ++i) {
        QAccessibleInterface* own = QAccessibleWidget::child(i);
        if (own && !own->state().invisible && own->rect().contains(x, y))
            return own;
    }
    const Point point = board()->transform().toLayout(local);
    if (const Square square = view->squareAt(point); isOnBoard(square))
        return squareChild(square);
    for (int button : shownButtons())
        if (auto area = layoutButtonRect(view->layoutIndex(), button); area &&
            point.x >= area->left && point.x < area->right && point.y >= area->top &&
            point.y < area->bottom)
            return buttonChild(button);
    // The clocks are drawn inside the status area: they are looked for first.
    for (int part = panelPartCount() - 1; part >= 0; --part)
        if (QAccessibleInterface* text = panelChild(part); text->rect().contains(x, y))
            return text;
    return nullptr;
}

QAccessibleInterface* BoardAccessible::squareChild(Square square) const
{
    m_partsSeen = true;
    QAccessible::Id& id = m_squareIds[std::size_t(slotOf(square))];
    if (!id)
        id = QAccessible::registerAccessibleInterface(
            new SquarePart(const_cast<BoardAccessible&>(*this), square));
    return QAccessible::accessibleInterface(id);
}

QAccessibleInterface* BoardAccessible::buttonChild(int button) const
{
    QAccessible::Id& id = m_buttonIds[std::size_t(button - kFirstLayoutButton)];
    if (!id)
        id = QAccessible::registerAccessibleInterface(
            new ButtonPart(const_cast<BoardAccessible&>(*this), button));
    return QAccessible::accessibleInterface(id);
}

int BoardAccessible::panelPartCount() const
{
    return board()->panelContent ? kPanelParts : 0;
}

QAccessibleInterface* BoardAccessible::panelChild(int part) const
{
    QAccessible::Id& id = m_panelIds[std::size_t(part)];
    if (!id)
        id = QAccessible::registerAccessibleInterface(
            new PanelPart(const_cast<BoardAccessible&>(*this), part));
    return QAccessible::accessibleInterface(id);
}

void BoardAccessible::announceSecondLine(BoardWidget* board)
{
    auto* self = dynamic_cast<BoardAccessible*>(QAccessible::queryAccessibleInterface(board));
    if (!self || !board->view() || self->panelPartCount() == 0)
        return;
    QAccessibleInterface* line = self->panelChild(PanelPart::kSecondLine);
    QAccessibleEvent renamed(line, QAccessible::NameChanged);
    g_announcer(&renamed);
    QAccessibleEvent alert(line, QAccessible::Alert);
    g_announcer(&alert);
}

void BoardAccessible::viewAttached(BoardWidget* board)
{
    if (auto* self = dynamic_cast<BoardAccessible*>(QAccessible::queryAccessibleInterface(board)))
        self->prime();
}

void BoardAccessible::prime()
{
    m_primed = takeSnapshot(m_announced, m_announcedSelected);
    m_announcedFlipped = m_primed && board()->view()->flipped();
}

void BoardAccessible::boardChanged(BoardWidget* board)
{
    // Qt made the interface with the widget; no tool that never saw a square needs to hear
    // of its changes.
    auto* self = dynamic_cast<BoardAccessible*>(QAccessible::queryAccessibleInterface(board));
    if (!self || !self->m_partsSeen || self->m_refreshQueued)
        return;
    // A move repaints several squares one after the other: one announcement for them all.
    self->m_refreshQueued = true;
    QTimer::singleShot(0, board, [board] {
        if (auto* again =
                dynamic_cast<BoardAccessible*>(QAccessible::queryAccessibleInterface(board))) {
            again->m_refreshQueued = false;
            again->announceChanges();
        }
    });
}

bool BoardAccessible::takeSnapshot(std::array<QString, 64>& names, std::uint64_t& selected) const
{
    const BoardView* view = board()->view();
    if (!view)
        return false;
    selected = 0;
    for (int slot = 0; slot < kSquareCount; ++slot) {
        const Square square = makeSquare(slot / 8, slot % 8);
        names[std::size_t(slot)] =
            squareName(square, view->pieceShownAt(square), view->targetMark(square));
        if (view->selectedFrom() == square || view->selectedTo() == square)
            selected |= std::uint64_t(1) << slot;
    }
    return true;
}

void BoardAccessible::announceChanges()
{
    std::array<QString, 64> names;
    std::uint64_t selected = 0;
    if (!takeSnapshot(names, selected))
        return;
    const bool flipped = board()->view()->flipped();
    if (!m_primed) {
        // What a tool reads first needs no announcement.
        prime();
        return;
    }
    if (flipped != m_announcedFlipped) {
        m_announcedFlipped = flipped;
        QAccessibleEvent reordered(board(), QAccessible::ObjectReorder);
        g_announcer(&reordered);
    }
    for (int slot = 0; slot < kSquareCount; ++slot) {
        const std::uint64_t bit = std::uint64_t(1) << slot;
        QString& announced = m_announced[std::size_t(slot)];
        const bool renamed = names[std::size_t(slot)] != announced;
        const bool reselected = (selected & bit) != (m_announcedSelected & bit);
        if (!renamed && !reselected)
            continue;
        QAccessibleInterface* part = squareChild(makeSquare(slot / 8, slot % 8));
        if (renamed) {
            announced = std::move(names[std::size_t(slot)]);
            QAccessibleEvent event(part, QAccessible::NameChanged);
            g_announcer(&event);
        }
        if (reselected) {
            QAccessible::State changed;
            changed.selected = true;
            QAccessibleStateChangeEvent event(part, changed);
            g_announcer(&event);
        }
    }
    m_announcedSelected = selected;
}

} // namespace velmorak::gui
