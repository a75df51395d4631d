#include "gui/SetupDialog.h"

#include <QButtonGroup>
#include <QClipboard>
#include <QGridLayout>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QTimer>
#include <QToolButton>
#include <QVBoxLayout>

#include "app/ControllerPrompts.h"
#include "gui/PieceSet.h"
#include "gui/QtPrompts.h"
#include "gui/QtText.h"
#include "gui/SetupBoardWidget.h"
#include "gui/SetupDetailsDialog.h"

namespace velmorak::gui {

namespace {

constexpr int kPaletteIconPx = 36;
// How often the editor reads a connected DGT board.
constexpr int kDgtPollMs = 150;
// Each row of the palette: pawn, knight, bishop, rook, queen, king.
constexpr int kPaletteKinds[] = { kPawn, kKnight, kBishop, kRook, kQueen, kKing };
constexpr const char* kKindNames[] = { "king", "bishop", "knight", "rook", "pawn", "queen" };

QString pieceName(PieceCode piece)
{
    return QStringLiteral("%1 %2").arg(
        isBlackPiece(piece) ? QStringLiteral("black") : QStringLiteral("white"),
        QString::fromLatin1(kKindNames[kindOf(piece)]));
}

} // namespace

SetupDialog::SetupDialog(
    QWidget* parent, GameController& controller, int pieceSet, DgtBoardLink* dgt)
    : ChessDialog(parent, controller, QStringLiteral("Setup board"), "Velmorak.htm#SetupBoard")
    , m_editor(std::make_shared<SetupEditor>(controller.board().fen()))
    , m_board(new SetupBoardWidget(*m_editor, pieceSet, this))
    , m_palette(new QButtonGroup(this))
    , m_fen(new QLabel(this))
{
    auto* row = new QHBoxLayout;
    row->addWidget(m_board, 1);

    auto* side = new QVBoxLayout;
    auto* paletteGrid = new QGridLayout;
    paletteGrid->setSpacing(2);
    const PieceSet pieces(pieceSet);
    for (int colour = 0; colour < 2; ++colour)
        for (int column = 0; column < 6; ++column) {
            const PieceCode piece = pieceOf(kPaletteKinds[column], colour);
            auto* button = new QToolButton(this);
            button->setCheckable(true);
            button->setIcon(QPixmap::fromImage(pieces.render(piece, kPaletteIconPx)));
            button->setIconSize(QSize(kPaletteIconPx, kPaletteIconPx));
            button->setToolTip(pieceName(piece));
            button->setAccessibleName(pieceName(piece));
            button->setObjectName(pieceName(piece).replace(u' ', u'_'));
            button->setChecked(piece == m_editor->selectedPiece());
            button->setFocusPolicy(Qt::StrongFocus);
            m_palette->addButton(button, piece);
            paletteGrid->addWidget(button, colour, column);
        }
    m_palette->setExclusive(true);
    connect(m_palette, &QButtonGroup::idClicked, this,
        [this](int piece) { m_editor->selectPiece(static_cast<PieceCode>(piece)); });
    side->addLayout(paletteGrid);

    auto addButton = [&](const QString& text, const char* name, auto slot) {
        auto* button = new QPushButton(text, this);
        button->setObjectName(QString::fromLatin1(name));
        button->setAutoDefault(false);
        connect(button, &QPushButton::clicked, this, slot);
        side->addWidget(button);
    };
    addButton(QStringLiteral("C&lear"), "clear", [this] {
        m_editor->clear();
        showBoard();
    });
    addButton(QStringLiteral("&Start position"), "startPosition", [this] {
        m_editor->setStartPosition();
        showBoard();
    });
    addButton(QStringLiteral("C&urrent position"), "currentPosition", [this] {
        m_editor->setCurrentPosition();
        showBoard();
    });
    addButton(
        QStringLiteral("&Flip"), "flip", [this] { m_board->setFlipped(!m_board->flipped()); });
    addButton(QStringLiteral("Copy F&EN"), "copyFen", [this] { copyFen(); });
    addButton(QStringLiteral("&Paste FEN"), "pasteFen", [this] { pasteFen(); });
    side->addStretch(1);
    row->addLayout(side);
    body()->addLayout(row, 1);

    m_fen->setObjectName(QStringLiteral("fen"));
    m_fen->setTextInteractionFlags(Qt::TextSelectableByMouse);
    body()->addWidget(m_fen);
    connect(m_board, &SetupBoardWidget::edited, this, &SetupDialog::showBoard);
    connect(m_board, &SetupBoardWidget::pieceChosen, this,
        [this](PieceCode piece) { m_palette->button(piece)->setChecked(true); });
    // The board takes the keys first: arrows, Space and Delete edit it.
    m_board->setFocus();
    if (dgt && dgt->isConnected()) {
        m_dgt = dgt;
        m_dgt->setSetupFollower(this);
        m_dgtPoll = new QTimer(this);
        m_dgtPoll->setInterval(kDgtPollMs);
        connect(m_dgtPoll, &QTimer::timeout, this, [this] { m_dgt->poll(); });
        m_dgtPoll->start();
    }
    showBoard();
}

SetupDialog::~SetupDialog()
{
    if (m_dgt)
        m_dgt->setSetupFollower(nullptr);
}

void SetupDialog::boardShows(const BoardSquares& squares)
{
    m_editor->followElectronicBoard(squares);
    showBoard();
}

void SetupDialog::sideSetOnBoard(std::uint8_t side)
{
    // After the poll has returned: a refusal's box must not run inside it.
    QTimer::singleShot(0, this, [this, side] {
        if (isVisible())
            confirm(side);
    });
}

void SetupDialog::showBoard()
{
    m_fen->setText(toQString(m_editor->fen()));
    m_board->update();
}

void SetupDialog::message(std::string_view text)
{
    QtPrompts(this).showMessage(kProgramTitle, text, MessageIcon::Exclamation);
}

void SetupDialog::copyFen()
{
    QGuiApplication::clipboard()->setText(toQString(m_editor->fen()));
}

void SetupDialog::pasteFen()
{
    if (Status pasted =
            m_editor->setFen(QGuiApplication::clipboard()->text().trimmed().toStdString());
        !pasted)
        message(pasted.error().message);
    showBoard();
}

void SetupDialog::accept()
{
    confirm(std::nullopt);
}

void SetupDialog::confirm(std::optional<std::uint8_t> sideFromBoard)
{
    // The board's men are what the user set up: they count, not the screen's last reading.
    if (m_dgt && m_dgt->isConnected() && m_dgt->driver().boardValid())
        m_editor->followElectronicBoard(dgtImageToSquares(m_dgt->driver().board()));
    if (std::string_view refusal = m_editor->closeEditor(sideFromBoard); !refusal.empty()) {
        showBoard();
        return message(refusal);
    }
    if (m_editor->stage() == SetupEditor::Stage::Details) {
        SetupDetailsDialog details(this, controller(), m_editor);
        details.exec();
    }
    showBoard();
    if (m_editor->stage() != SetupEditor::Stage::Finished)
        return;
    if (std::optional<std::string> fen = m_editor->newGameFen())
        setAfterClose([&game = controller(), fen = *fen] { installSetupPosition(game, fen); });
    ChessDialog::accept();
}

void SetupDialog::reject()
{
    m_editor->abandon();
    ChessDialog::reject();
}

} // namespace velmorak::gui
