#include "gui/SetupDetailsDialog.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QRadioButton>
#include <QSpinBox>
#include <QVBoxLayout>

#include "app/ControllerPrompts.h"
#include "gui/QtPrompts.h"

namespace velmorak::gui {

namespace {

struct CastlingBox {
    std::uint8_t right;
    const char* text;
    const char* name;
};

constexpr CastlingBox kCastlingBoxes[] = {
    { kWhiteShortRight, "White O-O", "whiteShort" },
    { kWhiteLongRight, "White O-O-O", "whiteLong" },
    { kBlackShortRight, "Black O-O", "blackShort" },
    { kBlackLongRight, "Black O-O-O", "blackLong" },
};

} // namespace

SetupDetailsDialog::SetupDetailsDialog(
    QWidget* parent, GameController& controller, std::shared_ptr<SetupEditor> editor)
    : ChessDialog(parent, controller, QStringLiteral("Setup details"), "Velmorak.htm#SetupDetails")
    , m_editor(std::move(editor))
    , m_side(new QButtonGroup(this))
    , m_enPassant(new QComboBox(this))
    , m_moveNumber(new QSpinBox(this))
{
    const SetupDetails shown = m_editor->details();

    auto* sideBox = new QGroupBox(QStringLiteral("Side to move"), this);
    auto* sideRow = new QHBoxLayout(sideBox);
    auto* white = new QRadioButton(QStringLiteral("&White"), sideBox);
    auto* black = new QRadioButton(QStringLiteral("&Black"), sideBox);
    white->setObjectName(QStringLiteral("white"));
    black->setObjectName(QStringLiteral("black"));
    m_side->addButton(white, kWhiteSide);
    m_side->addButton(black, kBlackSide);
    if (shown.sideToMove)
        (*shown.sideToMove == kBlackSide ? black : white)->setChecked(true);
    sideRow->addWidget(white);
    sideRow->addWidget(black);
    sideRow->addStretch(1);
    body()->addWidget(sideBox);

    // Mnemonics: Alt+1..4 for the four boxes, whose texts share their letters.
    auto* castlingBox = new QGroupBox(QStringLiteral("Castling"), this);
    auto* castlingGrid = new QGridLayout(castlingBox);
    for (int i = 0; i < 4; ++i) {
        const CastlingBox& box = kCastlingBoxes[i];
        m_castling[i] = new QCheckBox(
            QStringLiteral("&%1 %2").arg(i + 1).arg(QString::fromLatin1(box.text)), castlingBox);
        m_castling[i]->setObjectName(QString::fromLatin1(box.name));
        m_castling[i]->setChecked(shown.castlingRights & box.right);
        // A right needs its king and rook at home.
        m_castling[i]->setEnabled(shown.castlingAvailable & box.right);
        castlingGrid->addWidget(m_castling[i], i / 2, i % 2);
    }
    body()->addWidget(castlingBox);

    auto* form = new QFormLayout;
    m_enPassant->setObjectName(QStringLiteral("enPassant"));
    m_enPassant->addItem(QStringLiteral("none"));
    for (char file = 'A'; file <= 'H'; ++file)
        m_enPassant->addItem(QString(QChar::fromLatin1(file)));
    m_enPassant->setCurrentIndex(shown.enPassantFile ? *shown.enPassantFile + 1 : 0);
    form->addRow(QStringLiteral("&En-passant file:"), m_enPassant);
    m_moveNumber->setObjectName(QStringLiteral("moveNumber"));
    m_moveNumber->setRange(SetupEditor::kMinMoveNumber, SetupEditor::kMaxMoveNumber);
    m_moveNumber->setValue(shown.moveNumber);
    form->addRow(QStringLiteral("&Move number:"), m_moveNumber);
    body()->addLayout(form);
    body()->addStretch(1);
}

SetupDetails SetupDetailsDialog::chosen() const
{
    SetupDetails chosen;
    if (m_side->checkedId() >= 0)
        chosen.sideToMove = static_cast<std::uint8_t>(m_side->checkedId());
    for (int i = 0; i < 4; ++i)
        if (m_castling[i]->isChecked())
            chosen.castlingRights |= kCastlingBoxes[i].right;
    if (m_enPassant->currentIndex() > 0)
        chosen.enPassantFile = m_enPassant->currentIndex() - 1;
    chosen.moveNumber = m_moveNumber->value();
    return chosen;
}

void SetupDetailsDialog::accept()
{
    finish(chosen());
}

void SetupDetailsDialog::reject()
{
    finish(std::nullopt);
}

void SetupDetailsDialog::finish(const std::optional<SetupDetails>& chosen)
{
    const std::string_view refusal = m_editor->closeDetails(chosen);
    if (!refusal.empty())
        QtPrompts(this).showMessage(kProgramTitle, refusal, MessageIcon::Exclamation);
    if (m_editor->stage() == SetupEditor::Stage::Details)
        return;
    if (chosen)
        QDialog::accept();
    else
        QDialog::reject();
}

} // namespace velmorak::gui
