#include "gui/LevelsDialog.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFormLayout>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QSignalBlocker>
#include <QSpinBox>
#include <QTabWidget>
#include <QVBoxLayout>

#include "gui/QtText.h"

namespace velmorak::gui {

namespace {

constexpr LevelPage kPages[] = { LevelPage::Tournament, LevelPage::Blitz, LevelPage::Fixed };

std::size_t pageIndex(LevelPage page)
{
    return static_cast<std::size_t>(page);
}

// Labels with a mnemonic each, so every field is reached by Alt and a letter.
QString fieldLabel(std::string_view label)
{
    static constexpr std::pair<std::string_view, const char*> kMnemonics[] = {
        { "minutes for the game", "&minutes for the game" },
        { "seconds increment", "seconds &increment" },
        { "max. searchdepth (halfmoves)", "max. search&depth (halfmoves)" },
        { "max. time/move (seconds)", "max. &time/move (seconds)" },
    };
    for (const auto& [text, marked] : kMnemonics)
        if (text == label)
            return QString::fromUtf8(marked);
    return toQString(label);
}

} // namespace

LevelsDialog::LevelsDialog(QWidget* parent, GameController& controller, int layout)
    : ChessDialog(parent, controller, toQString(LevelSheet::kTitle),
          LevelSheet::helpTarget(LevelSheet::startPage(controller.level())))
    , m_sheet(levelSheetFor(controller))
    , m_tabs(new QTabWidget(this))
    , m_loseOnTime(new QCheckBox(QStringLiteral("&Lose on time"), this))
{
    const bool small = LevelSheet::usesSmallTournamentPage(layout);
    for (LevelPage page : kPages)
        m_tabs->addTab(makePage(page, small), toQString(LevelSheet::pageTitle(page)));
    m_tabs->setCurrentIndex(int(pageIndex(m_sheet.currentPage())));
    connect(m_tabs, &QTabWidget::currentChanged, this, [this](int index) {
        const LevelPage page = kPages[index];
        m_sheet.showPage(page);
        setHelpAnchor(LevelSheet::helpTarget(page));
    });
    body()->addWidget(m_tabs);

    m_loseOnTime->setObjectName(QStringLiteral("loseOnTime"));
    m_loseOnTime->setToolTip(QStringLiteral(
        "A side whose clock runs out in a blitz or tournament game loses the game."));
    m_loseOnTime->setChecked(m_sheet.loseOnTime());
    connect(
        m_loseOnTime, &QCheckBox::toggled, this, [this](bool on) { m_sheet.setLoseOnTime(on); });
    body()->addWidget(m_loseOnTime);
}

QWidget* LevelsDialog::makePage(LevelPage page, bool small)
{
    auto* widget = new QWidget(m_tabs);
    auto* layout = new QVBoxLayout(widget);
    const std::size_t index = pageIndex(page);

    auto* combo = new QComboBox(widget);
    combo->setObjectName(QStringLiteral("predefined"));
    for (const PredefinedLevel& entry : LevelSheet::predefined(page))
        combo->addItem(toQString(entry.text));
    combo->setPlaceholderText(QStringLiteral("choose..."));
    combo->setCurrentIndex(-1);
    m_predefined[index] = combo;
    connect(combo, &QComboBox::activated, this, [this, page](int entry) {
        m_sheet.choosePredefined(page, std::size_t(entry));
        showFields(page);
    });
    auto* predefined = new QFormLayout;
    auto* predefinedLabel = new QLabel(QStringLiteral("&Predefined"), widget);
    predefinedLabel->setBuddy(combo);
    predefined->addRow(predefinedLabel, combo);
    layout->addLayout(predefined);

    const auto fields = m_sheet.fields(page);
    for (std::size_t f = 0; f < fields.size(); ++f) {
        auto* spin = new QSpinBox(widget);
        spin->setObjectName(QStringLiteral("field%1").arg(f));
        spin->setAccessibleName(toQString(fields[f].label));
        m_spins[index].push_back(spin);
        connect(spin, &QSpinBox::valueChanged, this, [this, page, f](int value) {
            m_sheet.setField(page, f, value);
            showFields(page);
        });
    }
    if (page == LevelPage::Tournament) {
        // Three frames of moves and minutes; side by side on the small template.
        auto* frames = new QGridLayout;
        const auto titles = LevelSheet::tournamentFrames();
        static constexpr const char* kMarked[] = { "&First time control", "&Second time control",
            "&Third time control" };
        for (std::size_t frame = 0; frame < titles.size(); ++frame) {
            auto* box = new QGroupBox(QString::fromUtf8(kMarked[frame]), widget);
            box->setAccessibleName(toQString(titles[frame]));
            auto* form = new QFormLayout(box);
            for (std::size_t f = frame * 2; f < frame * 2 + 2; ++f)
                form->addRow(toQString(fields[f].label), m_spins[index][f]);
            if (small)
                frames->addWidget(box, 0, int(frame));
            else
                frames->addWidget(box, int(frame), 0);
        }
        layout->addLayout(frames);
    } else {
        auto* form = new QFormLayout;
        for (std::size_t f = 0; f < fields.size(); ++f) {
            auto* label = new QLabel(fieldLabel(fields[f].label), widget);
            label->setBuddy(m_spins[index][f]);
            form->addRow(label, m_spins[index][f]);
        }
        layout->addLayout(form);
    }
    layout->addStretch(1);
    showFields(page);
    return widget;
}

void LevelsDialog::showFields(LevelPage page)
{
    const auto fields = m_sheet.fields(page);
    auto& spins = m_spins[pageIndex(page)];
    for (std::size_t f = 0; f < fields.size() && f < spins.size(); ++f) {
        const QSignalBlocker quiet(spins[f]);
        // A stored value beyond the spin range is shown as it is, not cut to the range.
        spins[f]->setRange(std::min(fields[f].minimum, fields[f].value),
            std::max(fields[f].maximum, fields[f].value));
        spins[f]->setValue(fields[f].value);
        spins[f]->setEnabled(fields[f].enabled);
    }
}

void LevelsDialog::done(int result)
{
    applyLevelSheet(controller(), m_sheet.finish(result == QDialog::Accepted));
    ChessDialog::done(result);
}

} // namespace velmorak::gui
