#include "gui/MovesDialog.h"

#include <QApplication>
#include <QCheckBox>
#include <QFontDatabase>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QTextBlock>
#include <QVBoxLayout>
#include <algorithm>

#include "gui/QtPrompts.h"
#include "gui/QtText.h"
#include "record/CPgnGame.h"
#include "settings/AppSettings.h"

namespace velmorak::gui {

namespace {

constexpr int kSelectionWatchMs = 200;

// Each check box is an option of its own, stored as soon as it changes.
void storeOption(GameController& controller, RegistrySettings& settings, bool& field,
    std::string_view name, bool value)
{
    field = value;
    if (const OptionSpec* option = AppSettings::find(name))
        controller.options().saveOption(settings, *option);
}

} // namespace

MovesDialog::MovesDialog(QWidget* parent, GameController& controller, RegistrySettings& settings,
    std::function<void()> commentMove)
    : ChessDialog(parent, controller, QStringLiteral("Moves"), "Velmorak.htm#GameMoves")
    , m_settings(settings)
    , m_commentMove(std::move(commentMove))
    , m_info(new QCheckBox(QStringLiteral("&Info"), this))
    , m_comments(new QCheckBox(QStringLiteral("&Comments"), this))
    , m_lines(new QCheckBox(QStringLiteral("&Lines"), this))
    , m_text(new QPlainTextEdit(this))
{
    const AppSettings& options = controller.options();
    m_info->setChecked(options.gameTags);
    m_comments->setChecked(options.gameComments);
    m_lines->setChecked(options.gameVariations);
    auto* boxes = new QHBoxLayout;
    for (QCheckBox* box : { m_info, m_comments, m_lines })
        boxes->addWidget(box);
    boxes->addStretch(1);
    auto* comment = new QPushButton(QStringLiteral("..."), this);
    comment->setToolTip(QStringLiteral("Comment the selected move"));
    comment->setAccessibleName(QStringLiteral("Comment move"));
    boxes->addWidget(comment);
    body()->addLayout(boxes);

    m_text->setReadOnly(true);
    // Read-only text takes no keys by default; the arrows and Shift move the selection.
    m_text->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    m_text->setLineWrapMode(QPlainTextEdit::NoWrap);
    m_text->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    m_text->setAccessibleName(QStringLiteral("Moves of the game"));
    const QFontMetrics metrics(m_text->font());
    m_text->setMinimumSize(
        metrics.horizontalAdvance(QString(GameMovesText::kDialogWidth + 4, u'M')),
        metrics.lineSpacing() * 16);
    body()->addWidget(m_text, 1);

    auto store = [this, &controller](QCheckBox* box, bool& field, std::string_view name) {
        connect(box, &QCheckBox::toggled, this, [this, &controller, &field, name](bool on) {
            storeOption(controller, m_settings, field, name, on);
            render();
        });
    };
    AppSettings& writable = controller.options();
    store(m_info, writable.gameTags, "IDC_CBGAMETAGS");
    store(m_comments, writable.gameComments, "IDC_CBGAMECOMMENTS");
    store(m_lines, writable.gameVariations, "IDC_CBGAMEVARIATIONS");
    connect(comment, &QPushButton::clicked, this, &MovesDialog::commentSelected);
    m_selectionWatch.setInterval(kSelectionWatchMs);
    connect(&m_selectionWatch, &QTimer::timeout, this, &MovesDialog::snapSelection);
    m_selectionWatch.start();
    m_text->installEventFilter(this);
    render();
    m_text->setFocus();
}

int MovesDialog::shown(int byteOffset) const
{
    return m_shownOffsets[std::size_t(
        std::clamp<int>(byteOffset, 0, int(m_shownOffsets.size()) - 1))];
}

int MovesDialog::byteAt(int shownOffset) const
{
    // The first byte of the character at that place.
    const auto it = std::lower_bound(m_shownOffsets.begin(), m_shownOffsets.end(), shownOffset);
    return int(it - m_shownOffsets.begin());
}

void MovesDialog::render()
{
    // The selected move stays selected when the parts shown change; the current one first.
    CGameNode* keep = controller().currentNode();
    if (auto selected = selectedMove())
        keep = selected->node;
    m_moves.emplace(controller().game(),
        GameMovesText::Parts {
            m_info->isChecked(), m_comments->isChecked(), m_lines->isChecked() });
    m_shownOffsets = shownOffsets(m_moves->text());
    m_text->setPlainText(toQString(m_moves->text()));
    m_selectionStart = m_selectionEnd = -1;
    auto span = m_moves->spanOf(keep);
    if (!span)
        span = m_moves->spanOf(controller().currentNode());
    if (span)
        select(*span);
}

void MovesDialog::select(const GameMovesText::Span& span)
{
    QTextCursor cursor = m_text->textCursor();
    cursor.setPosition(shown(span.start));
    cursor.setPosition(shown(span.end), QTextCursor::KeepAnchor);
    m_text->setTextCursor(cursor);
    m_selectionStart = cursor.selectionStart();
    m_selectionEnd = cursor.selectionEnd();
    const int first = firstShownLine(m_moves->lineOf(span.start), m_moves->lineCount());
    m_text->verticalScrollBar()->setValue(first);
}

std::optional<GameMovesText::Span> MovesDialog::selectedMove() const
{
    if (!m_moves)
        return std::nullopt;
    const QTextCursor cursor = m_text->textCursor();
    if (!cursor.hasSelection())
        return std::nullopt;
    const int middle = (cursor.selectionStart() + cursor.selectionEnd()) / 2;
    return m_moves->moveAt(byteAt(middle));
}

void MovesDialog::snapSelection()
{
    // A selection still being dragged is left alone until the button is let go.
    if (QApplication::mouseButtons() != Qt::NoButton || !m_moves)
        return;
    const QTextCursor cursor = m_text->textCursor();
    if (cursor.selectionStart() == m_selectionStart && cursor.selectionEnd() == m_selectionEnd)
        return;
    m_selectionStart = cursor.selectionStart();
    m_selectionEnd = cursor.selectionEnd();
    if (auto span = m_moves->moveAtCaret(byteAt(cursor.selectionEnd())))
        select(*span);
}

bool MovesDialog::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == m_text && event->type() == QEvent::KeyPress && m_moves) {
        const auto* key = static_cast<QKeyEvent*>(event);
        if (key->modifiers() == Qt::NoModifier &&
            (key->key() == Qt::Key_Left || key->key() == Qt::Key_Right)) {
            const QTextCursor cursor = m_text->textCursor();
            const auto next = key->key() == Qt::Key_Left
                ? m_moves->moveBefore(byteAt(cursor.selectionStart()))
                : m_moves->moveAfter(byteAt(std::max(cursor.selectionEnd() - 1, 0)));
            if (next)
                select(*next);
            return true;
        }
    }
    return ChessDialog::eventFilter(watched, event);
}

void MovesDialog::commentSelected()
{
    snapSelection();
    const auto move = selectedMove();
    if (!move) {
        QtPrompts(this).showMessage(
            kProgramTitle, "Please select a move first.", MessageIcon::Exclamation);
        return;
    }
    if (move->node != controller().currentNode())
        controller().gotoNode(move->node);
    m_commentMove();
    render();
}

void MovesDialog::accept()
{
    snapSelection();
    const auto move = selectedMove();
    ChessDialog::accept();
    if (move && move->node != controller().currentNode())
        controller().gotoNode(move->node);
}

} // namespace velmorak::gui
