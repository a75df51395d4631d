#include "gui/OptionsDialog.h"

#include <QCheckBox>
#include <QComboBox>
#include <QCoreApplication>
#include <QPushButton>
#include <QTest>

#include <gtest/gtest.h>

#include "WindowHarness.h"
#include "platform/SettingsFileStore.h"

using velmorak::test::WindowHarness;
using namespace velmorak;

namespace {

// What the settings file holds now, as the next start reads it.
std::optional<RegistryValue> stored(WindowHarness& h, std::string_view name)
{
    return SettingsFileStore(h.settingsPath()).readValue(name);
}

TEST(OptionsDialog, EachChangeIsStoredAndShownAtOnceAndTheDefaultsComeBack)
{
    WindowHarness h;
    gui::MainWindow& w = h.window();
    bool shown = false;
    h.whenDialogShows(QStringLiteral("Options"), [&](QWidget& dialog) {
        shown = true;
        auto* legal = dialog.findChild<QCheckBox*>(QStringLiteral("IDC_CBHIGHLIGHTLEGALMOVES"));
        auto* animation = dialog.findChild<QComboBox*>(QStringLiteral("IDC_CBANIMATION"));
        auto* pieces = dialog.findChild<QComboBox*>(QStringLiteral("IDC_CBPIECESET"));
        auto* engines = dialog.findChild<QComboBox*>(QStringLiteral("IDC_CBENGINE"));
        ASSERT_TRUE(legal && animation && pieces && engines);

        legal->click();
        EXPECT_EQ(stored(h, "IDC_CBHIGHLIGHTLEGALMOVES"), RegistryValue::dword(1));
        EXPECT_TRUE(w.moveInput().options().highlightLegalMoves);

        animation->setCurrentIndex(3);
        emit animation->activated(3);
        EXPECT_EQ(stored(h, "IDC_CBANIMATION"), RegistryValue::dword(3));

        pieces->setCurrentIndex(5);
        emit pieces->activated(5);
        EXPECT_EQ(stored(h, "IDC_CBPIECESET"), RegistryValue::dword(5));
        EXPECT_EQ(w.boardWidget().artwork().pieceSet(), 5);
        auto* preview = static_cast<gui::OptionsDialog&>(dialog).preview();
        ASSERT_NE(preview, nullptr);
        EXPECT_EQ(preview->artwork().pieceSet(), 5);

        // The other engine: loaded, its thread running, the title naming it.
        const int other = engines->currentIndex() == 0 ? 1 : 0;
        ASSERT_GT(engines->count(), 1);
        const std::string name = engines->itemText(other).toStdString();
        engines->setCurrentIndex(other);
        emit engines->activated(other);
        EXPECT_EQ(w.application().host().engineName(), name);
        EXPECT_TRUE(w.controller().engine().isRunning());
        EXPECT_TRUE(w.windowTitle().contains(QString::fromStdString(name))) << name;
        // The pages are made again for the new engine's own settings.
        QCoreApplication::processEvents();
        legal = dialog.findChild<QCheckBox*>(QStringLiteral("IDC_CBHIGHLIGHTLEGALMOVES"));
        pieces = dialog.findChild<QComboBox*>(QStringLiteral("IDC_CBPIECESET"));
        ASSERT_TRUE(legal && pieces && legal->isChecked());
        EXPECT_EQ(dialog.findChild<QWidget*>(QStringLiteral("Skill Level")) != nullptr,
            !w.application().host().parameters().empty());

        static_cast<gui::ChessDialog&>(dialog)
            .buttons()
            ->button(QDialogButtonBox::RestoreDefaults)
            ->click();
        EXPECT_FALSE(legal->isChecked());
        EXPECT_EQ(pieces->currentIndex(), 0);
        EXPECT_EQ(w.boardWidget().artwork().pieceSet(), 0);
        EXPECT_EQ(stored(h, "IDC_CBANIMATION"), RegistryValue::dword(2));
        EXPECT_EQ(stored(h, "IDC_CBENGINE"), RegistryValue::binary("", 0));
        static_cast<QDialog&>(dialog).reject();
    });
    w.runCommand(cmd::kOptions);
    EXPECT_TRUE(shown);
    EXPECT_FALSE(w.controller().dialogOpen());
}

} // namespace
