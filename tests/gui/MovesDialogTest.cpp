#include "gui/MovesDialog.h"

#include <QCheckBox>
#include <QDialog>
#include <QPlainTextEdit>
#include <QTest>

#include <gtest/gtest.h>

#include "WindowHarness.h"
#include "platform/SettingsFileStore.h"
#include "record/CGameNode.h"
#include "settings/RegistrySettings.h"

using velmorak::test::WindowHarness;
using namespace velmorak;

namespace {

// The window with a game of a main line and one variation, at its end (1... Nc6).
struct MovesFixture {
    MovesFixture()
    {
        const std::string file = h.folder().file("lines.pgn");
        TempFolder::write(file, "[White \"Anna\"]\n1. e4 e5 (1... c5 2. Nf3) 2. Nf3 Nc6 *\n");
        h.window().openFiles({ QString::fromStdString(file) });
    }
    // Runs the dialog from its command; `act` works in it before it is closed by `close`.
    void run(std::function<void(gui::MovesDialog&)> act, bool ok)
    {
        bool shown = false;
        h.whenDialogShows(QStringLiteral("Moves"), [&](QWidget& widget) {
            shown = true;
            auto& dialog = static_cast<gui::MovesDialog&>(widget);
            act(dialog);
            ok ? dialog.accept() : dialog.reject();
        });
        h.window().runCommand(cmd::kGameMoves);
        EXPECT_TRUE(shown);
    }
    QString selection(gui::MovesDialog& dialog)
    {
        // A line break inside the selection reads as the space it stands for.
        return dialog.textView()->textCursor().selectedText().replace(
            QChar::ParagraphSeparator, u' ');
    }
    WindowHarness h;
};

TEST(MovesDialog, ShowsTheCurrentMoveAndOkGoesToTheOneSelected)
{
    MovesFixture f;
    CGameNode* e5 = f.h.window().controller().game().root()->child(0)->child(0);
    f.run(
        [&](gui::MovesDialog& dialog) {
            EXPECT_EQ(f.selection(dialog), QStringLiteral("Nc6"));
            QTest::keyClick(dialog.textView(), Qt::Key_Left);
            EXPECT_EQ(f.selection(dialog), QStringLiteral("2. Nf3"));
            // Reading order: the variation's moves come between e5 and 2. Nf3.
            QTest::keyClick(dialog.textView(), Qt::Key_Left);
            EXPECT_EQ(f.selection(dialog), QStringLiteral("2. Nf3"));
            QTest::keyClick(dialog.textView(), Qt::Key_Left);
            EXPECT_EQ(f.selection(dialog), QStringLiteral("1.. c5"));
            QTest::keyClick(dialog.textView(), Qt::Key_Left);
            EXPECT_EQ(f.selection(dialog), QStringLiteral("e5"));
        },
        true);
    EXPECT_EQ(f.h.window().controller().currentNode(), e5);

    // Cancel goes nowhere.
    f.run(
        [&](gui::MovesDialog& dialog) { QTest::keyClick(dialog.textView(), Qt::Key_Left); }, false);
    EXPECT_EQ(f.h.window().controller().currentNode(), e5);
}

TEST(MovesDialog, ATapSelectsTheWholeMoveAndThePartsShownAreStored)
{
    MovesFixture f;
    f.run(
        [&](gui::MovesDialog& dialog) {
            // The caret put just before the line's "2. Nf3".
            QPlainTextEdit* text = dialog.textView();
            const int at = text->toPlainText().indexOf(QStringLiteral("2. Nf3)"));
            QTextCursor cursor = text->textCursor();
            cursor.setPosition(at);
            text->setTextCursor(cursor);
            EXPECT_TRUE(WindowHarness::waitUntil(
                [&] { return f.selection(dialog) == QStringLiteral("2. Nf3"); }, 2000));
            EXPECT_EQ(text->textCursor().selectionStart(), at);

            for (auto* box : dialog.findChildren<QCheckBox*>())
                if (box->text() == QStringLiteral("&Lines"))
                    box->setChecked(false);
            EXPECT_FALSE(text->toPlainText().contains(u'('));
            EXPECT_EQ(f.selection(dialog), QStringLiteral("Nc6")) << "a move no longer shown";
        },
        false);
    SettingsFileStore store(f.h.settingsPath());
    int lines = 1;
    EXPECT_TRUE(RegistrySettings(store).readInt("IDC_CBGAMEVARIATIONS", lines));
    EXPECT_EQ(lines, 0);
}

} // namespace
