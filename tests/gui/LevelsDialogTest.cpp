#include <QCheckBox>
#include <QComboBox>
#include <QDialog>
#include <QDialogButtonBox>
#include <QPushButton>
#include <QTabWidget>

#include <gtest/gtest.h>

#include "WindowHarness.h"
#include "present/CommandTable.h"

using velmorak::test::WindowHarness;
using namespace velmorak;

namespace {

// Picks entry `entry` of the predefined box on page `page`, as a click in the list does.
void choosePredefined(QWidget& dialog, int page, int entry)
{
    auto* tabs = dialog.findChild<QTabWidget*>();
    ASSERT_NE(tabs, nullptr);
    tabs->setCurrentIndex(page);
    auto* combo = tabs->widget(page)->findChild<QComboBox*>(QStringLiteral("predefined"));
    ASSERT_NE(combo, nullptr);
    combo->setCurrentIndex(entry);
    emit combo->activated(entry);
}

void press(QWidget& dialog, QDialogButtonBox::StandardButton which)
{
    dialog.findChild<QDialogButtonBox*>()->button(which)->click();
}

int stored(WindowHarness& h, std::string_view name)
{
    int value = -1;
    h.window().application().settings().readInt(name, value);
    return value;
}

TEST(LevelsDialog, OkGivesTheControllerTheLevelAndStoresItCancelChangesNothing)
{
    WindowHarness h;
    GameController& c = h.window().controller();
    h.whenDialogShows(QStringLiteral("Velmorak"), [](QWidget& dialog) {
        choosePredefined(dialog, 1, 13); // " 3min/game+ 2s/move"
        dialog.findChild<QCheckBox*>(QStringLiteral("loseOnTime"))->setChecked(true);
        press(dialog, QDialogButtonBox::Ok);
    });
    h.window().runCommand(cmd::kLevels);
    EXPECT_EQ(c.level().mode, kBlitzLevel);
    EXPECT_EQ(c.level().blitzSeconds, 180);
    EXPECT_EQ(c.level().blitzIncrement, 2);
    EXPECT_TRUE(c.loseOnTime());
    EXPECT_EQ(stored(h, kLevelBlitzSecondsSetting), 180);
    EXPECT_EQ(stored(h, kLevelBlitzIncrementSetting), 2);

    const LevelRecord before = c.level();
    h.whenDialogShows(QStringLiteral("Velmorak"), [](QWidget& dialog) {
        choosePredefined(dialog, 2, 0); // "Novice"
        dialog.findChild<QCheckBox*>(QStringLiteral("loseOnTime"))->setChecked(false);
        press(dialog, QDialogButtonBox::Cancel);
    });
    h.window().runCommand(cmd::kLevels);
    EXPECT_EQ(c.level(), before);
    EXPECT_TRUE(c.loseOnTime());
    EXPECT_EQ(stored(h, kLevelModeSetting), kBlitzLevel);
    EXPECT_FALSE(c.dialogOpen());
}

} // namespace
