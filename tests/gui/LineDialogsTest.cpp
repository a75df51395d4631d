#include <QComboBox>
#include <QListWidget>
#include <QPushButton>

#include <gtest/gtest.h>

#include "WindowHarness.h"
#include "gui/ChessDialog.h"

using namespace velmorak;

namespace {

TEST(LineDialogs, AddLineDeletesLinesAndStoresItsDefaultSelectLineFollowsTheTappedLine)
{
    test::WindowHarness h;
    GameController& c = h.window().controller();
    h.enter("e2 e4");
    ASSERT_TRUE(h.waitForWhiteToMove());
    c.backToStart();
    h.whenDialogShows(QStringLiteral("Add line"), [&](QWidget& dialog) {
        EXPECT_TRUE(c.dialogOpen()) << "the game stands still";
        EXPECT_EQ(static_cast<gui::ChessDialog&>(dialog).helpAnchor(), "Velmorak.htm#AddLine");
        auto click = [&](const char* text) {
            for (QPushButton* b : dialog.findChildren<QPushButton*>())
                if (b->text() == QString::fromUtf8(text))
                    return b->click();
        };
        click("&Delete selected");
        EXPECT_EQ(h.messages, QStringList { "Select a line first!" });
        h.messages.clear();
        dialog.findChild<QListWidget*>()->setCurrentRow(0);
        click("&Delete selected");
        auto* mode = dialog.findChild<QComboBox*>(QStringLiteral("defaultMode"));
        mode->setCurrentIndex(int(VariationMode::AddLine));
        emit mode->activated(int(VariationMode::AddLine));
        click("Add &main line");
    });
    h.enter("d2 d4");
    ASSERT_TRUE(h.waitForWhiteToMove());
    ASSERT_EQ(c.game().root()->childCount(), 1) << "e4 was deleted";
    int stored = -1;
    h.window().application().settings().readInt(kVariationModeOption, stored);
    EXPECT_EQ(stored, int(VariationMode::AddLine));

    // The new default adds c4 beside d4 unasked; Forward then asks which line to follow.
    c.backToStart();
    h.enter("c2 c4");
    ASSERT_TRUE(h.waitForWhiteToMove());
    c.backToStart();
    h.whenDialogShows(QStringLiteral("Select line"), [](QWidget& dialog) {
        auto* lines = dialog.findChild<QListWidget*>();
        lines->setCurrentRow(1);
        emit lines->itemClicked(lines->item(1));
    });
    c.forwardMove();
    EXPECT_EQ(c.currentNode()->san(), "c4");
}

} // namespace
