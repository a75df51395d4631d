#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QPushButton>
#include <QTabWidget>

#include <gtest/gtest.h>

#include "WindowHarness.h"
#include "present/CommandTable.h"

using namespace velmorak;

namespace {

// Picks a predefined entry of a page as a click in its list does, sets "Lose on time" and
// closes the sheet with `button`.
void fill(
    QWidget& dialog, int page, int entry, bool loseOnTime, QDialogButtonBox::StandardButton button)
{
    auto* tabs = dialog.findChild<QTabWidget*>();
    tabs->setCurrentIndex(page);
    auto* combo = tabs->widget(page)->findChild<QComboBox*>(QStringLiteral("predefined"));
    combo->setCurrentIndex(entry);
    emit combo->activated(entry);
    dialog.findChild<QCheckBox*>(QStringLiteral("loseOnTime"))->setChecked(loseOnTime);
    dialog.findChild<QDialogButtonBox*>()->button(button)->click();
}

TEST(LevelsDialog, OkGivesTheControllerTheLevelAndStoresItCancelChangesNothing)
{
    test::WindowHarness h;
    GameController& c = h.window().controller();
    RegistrySettings& settings = h.window().application().settings();
    auto stored = [&](std::string_view name) {
        int value = -1;
        settings.readInt(name, value);
        return value;
    };
    h.whenDialogShows(QStringLiteral("Velmorak"),
        [](QWidget& dialog) { fill(dialog, 1, 13, true, QDialogButtonBox::Ok); }); // 3+2
    h.window().runCommand(cmd::kLevels);
    EXPECT_EQ(levelText(c.level()), "Level 3min+2sec");
    EXPECT_TRUE(c.loseOnTime());
    EXPECT_EQ(stored(kLevelBlitzSecondsSetting), 180);
    EXPECT_EQ(stored(kLevelBlitzIncrementSetting), 2);
    bool loseOnTime = false;
    EXPECT_TRUE(settings.readBool(kLoseOnTimeSetting, loseOnTime) && loseOnTime);

    const LevelRecord before = c.level();
    h.whenDialogShows(QStringLiteral("Velmorak"),
        [](QWidget& dialog) { fill(dialog, 2, 0, false, QDialogButtonBox::Cancel); }); // Novice
    h.window().runCommand(cmd::kLevels);
    EXPECT_EQ(c.level(), before);
    EXPECT_TRUE(c.loseOnTime());
    EXPECT_EQ(stored(kLevelModeSetting), kBlitzLevel);
}

} // namespace
