#include "gui/SaveGameDialog.h"

#include <QPushButton>

#include <gtest/gtest.h>

#include "WindowHarness.h"
#include "support/PgnFiles.h"

using velmorak::test::WindowHarness;
using namespace velmorak;

namespace {

TEST(SaveGameDialog, ANewDatabaseThenTheCurrentOneThenAReplace)
{
    WindowHarness h;
    h.answerOk = true;
    h.enter("e2 e4");
    ASSERT_TRUE(h.waitForWhiteToMove());
    const std::string file = h.folder().file("mine.pgn");

    // Runs the dialog from its command, presses `press` and answers the dialogs it opens.
    auto save = [&](const QString& press, bool expectCurrent) {
        bool shown = false;
        h.whenDialogShows(QStringLiteral("Save game"), [&](QWidget& widget) {
            shown = true;
            auto& dialog = static_cast<gui::SaveGameDialog&>(widget);
            EXPECT_EQ(dialog.currentButton()->isVisible(), expectCurrent);
            EXPECT_EQ(dialog.replaceButton()->isVisible(), expectCurrent);
            h.whenDialogShows(QStringLiteral("New database"),
                [&](QWidget& files) { WindowHarness::chooseFile(files, file); });
            h.whenDialogShows(QStringLiteral("Game details"),
                [](QWidget& details) { QMetaObject::invokeMethod(&details, "accept"); });
            if (QAbstractButton* button = WindowHarness::buttonNamed(dialog, press))
                button->click();
            else
                ADD_FAILURE() << "no button " << press.toStdString();
            // A save closes the dialog; a dialog still open is closed here.
            if (dialog.isVisible())
                dialog.reject();
        });
        h.window().runCommand(cmd::kSaveGame);
        EXPECT_TRUE(shown);
    };
    save(QStringLiteral("&New database"), false);
    EXPECT_EQ(readableGames(file), 1);

    // Opened, it is the current database, its first game selected.
    h.whenDialogShows(QStringLiteral("Select database"),
        [&](QWidget& files) { WindowHarness::chooseFile(files, file); });
    h.window().runCommand(cmd::kSelectDatabase);
    ASSERT_TRUE(h.window().controller().databases().isOpen());
    save(QStringLiteral("mine.pgn"), true);
    EXPECT_EQ(readableGames(file), 2);
    save(QStringLiteral("Replace game in mine.pgn"), true);
    EXPECT_EQ(readableGames(file), 2) << "replaced, not added";
    ASSERT_EQ(h.messages.size(), 1);
    EXPECT_TRUE(h.messages[0].startsWith(QStringLiteral("Replace game 1 (root - Velmorak")))
        << h.messages[0].toStdString();
    h.messages.clear();
}

} // namespace
