#pragma once

#include <array>
#include <vector>

#include "gui/ChessDialog.h"
#include "present/LevelSheet.h"

class QCheckBox;
class QComboBox;
class QSpinBox;
class QTabWidget;

namespace velmorak::gui {

// "Levels...": the pages Tournament, Blitz and Fixed over a LevelSheet, and "Lose on time".
// The sheet decides; this shows its fields and hands it every change. OK gives the level to
// the controller and stores it; Cancel leaves both as they were.
class LevelsDialog : public ChessDialog {
public:
    LevelsDialog(QWidget* parent, GameController& controller, int layout);

    void done(int result) override;

private:
    QWidget* makePage(LevelPage page, bool small);
    // Shows the sheet's fields of `page` (values, ranges, enabled), without echoing them back.
    void showFields(LevelPage page);

    LevelSheet m_sheet;
    QTabWidget* m_tabs;
    QCheckBox* m_loseOnTime;
    std::array<std::vector<QSpinBox*>, 3> m_spins;
    std::array<QComboBox*, 3> m_predefined {};
};

} // namespace velmorak::gui
