#include <QComboBox>
#include <QDialog>
#include <QListWidget>
#include <QPushButton>

#include <gtest/gtest.h>

#include "WindowHarness.h"
#include "app/GameController.h"
#include "gui/ChessDialog.h"

using velmorak::test::WindowHarness;
using namespace velmorak;

namespace {

void click(QWidget& dialog, const QString& text)
{
    for (QPushButton* b : dialog.findChildren<QPushButton*>())
        if (b->text() == text)
            return b->click();
    ADD_FAILURE() << "no button " << text.toStdString();
}

TEST(LineDialogs, AddLineDeletesLinesAndStoresItsDefaultSelectLineFollowsTheTappedLine)
{
    WindowHarness h;
    GameController& c = h.window().controller();
    h.enter("e2 e4");
    ASSERT_TRUE(h.waitForWhiteToMove());
    c.backToStart();
    bool asked = false;
    h.whenDialogShows(QStringLiteral("Add line"), [&](QWidget& dialog) {
        asked = true;
        EXPECT_TRUE(c.dialogOpen()) << "the game stands still";
        EXPECT_EQ(static_cast<gui::ChessDialog&>(dialog).helpAnchor(), "Velmorak.htm#AddLine");
        click(dialog, QStringLiteral("&Delete selected"));
        EXPECT_EQ(h.messages, QStringList { "Select a line first!" });
        h.messages.clear();
        auto* lines = dialog.findChild<QListWidget*>();
        lines->setCurrentRow(0);
        click(dialog, QStringLiteral("&Delete selected"));
        EXPECT_EQ(lines->count(), 0);
        auto* mode = dialog.findChild<QComboBox*>(QStringLiteral("defaultMode"));
        mode->setCurrentIndex(int(VariationMode::AddLine));
        emit mode->activated(int(VariationMode::AddLine));
        click(dialog, QStringLiteral("Add &main line"));
    });
    h.enter("d2 d4");
    ASSERT_TRUE(h.waitForWhiteToMove());
    EXPECT_TRUE(asked);
    EXPECT_EQ(c.game().root()->childCount(), 1) << "e4 was deleted";
    EXPECT_EQ(c.game().root()->child(0)->san(), "d4");
    EXPECT_EQ(c.options().variationMode, int(VariationMode::AddLine));
    int stored = -1;
    h.window().application().settings().readInt(kVariationModeOption, stored);
    EXPECT_EQ(stored, int(VariationMode::AddLine));

    // The new default adds c4 beside d4 without asking; Forward then asks which to follow.
    c.backToStart();
    h.enter("c2 c4");
    ASSERT_TRUE(h.waitForWhiteToMove());
    c.backToStart();
    h.whenDialogShows(QStringLiteral("Select line"), [](QWidget& dialog) {
        auto* lines = dialog.findChild<QListWidget*>();
        ASSERT_EQ(lines->count(), 2);
        lines->setCurrentRow(1);
        emit lines->itemClicked(lines->item(1));
    });
    c.forwardMove();
    ASSERT_NE(c.currentNode(), nullptr);
    EXPECT_EQ(c.currentNode()->san(), "c4");
}

} // namespace
