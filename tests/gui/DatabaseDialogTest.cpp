// The dialogs over the open database: Save game, and the sheet of its games.
#include "gui/DatabaseDialog.h"

#include <QApplication>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QTableView>

#include <gtest/gtest.h>

#include "WindowHarness.h"
#include "gui/SaveGameDialog.h"
#include "support/PgnFiles.h"

using velmorak::test::WindowHarness;
using namespace velmorak;

namespace {

TEST(SaveGameDialog, ANewDatabaseThenTheCurrentOneThenAReplace)
{
    WindowHarness h;
    h.answerOk = true;
    h.play("e2 e4");
    const std::string file = h.folder().file("mine.pgn");

    // Runs the dialog from its command, presses `press` and answers the dialogs it opens.
    auto save = [&](const QString& press, bool expectCurrent) {
        h.runDialog(cmd::kSaveGame, QStringLiteral("Save game"), [&](QWidget& widget) {
            auto& dialog = static_cast<gui::SaveGameDialog&>(widget);
            EXPECT_EQ(dialog.currentButton()->isVisible(), expectCurrent);
            EXPECT_EQ(dialog.replaceButton()->isVisible(), expectCurrent);
            h.whenDialogShows(QStringLiteral("New database"),
                [&](QWidget& files) { WindowHarness::chooseFile(files, file); });
            h.whenDialogShows(QStringLiteral("Game details"),
                [](QWidget& details) { QMetaObject::invokeMethod(&details, "accept"); });
            WindowHarness::click(dialog, press);
            // A save closes the dialog; a dialog still open is closed here.
            if (dialog.isVisible())
                dialog.reject();
        });
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
    const QStringList asked = h.takeMessages();
    ASSERT_EQ(asked.size(), 1);
    EXPECT_TRUE(asked[0].startsWith(QStringLiteral("Replace game 1 (root - Velmorak")))
        << asked[0].toStdString();
}

QString cell(const QTableView& table, int row, int column)
{
    return table.model()->index(row, column).data().toString();
}

// The real 111k-game file, opened by the sheet from the most recent database setting (it is
// only read): the list fills while the file is indexed, then sorts, narrows and loads.
TEST(DatabaseDialog, TheRealFileScrollsSortsNarrowsByPlayerAndLoadsTheChosenGame)
{
    WindowHarness h;
    RegistrySettings& settings = h.window().application().settings();
    settings.writeString(kMostRecentDatabaseSetting, VELMORAK_DATA_DIR "/pgn/masters-111k.pgn");
    QString white;
    h.runDialog(cmd::kLoadGame, QStringLiteral("Velmorak"), [&](QWidget& widget) {
        auto& sheet = dynamic_cast<gui::DatabaseDialog&>(widget);
        QTableView& table = *sheet.gamesView();
        ASSERT_TRUE(h.waitUntil([&] { return !sheet.progressBar()->isVisible(); }, 30000));
        EXPECT_GT(table.model()->rowCount(), 100000);
        table.scrollToBottom();
        EXPECT_EQ(cell(table, table.model()->rowCount() - 1, 0).toInt(), table.model()->rowCount());

        emit table.horizontalHeader()->sectionClicked(1);
        for (int row = 0; row < 50; ++row)
            EXPECT_LE(
                QString::compare(cell(table, row, 1), cell(table, row + 1, 1), Qt::CaseInsensitive),
                0)
                << row;
        sheet.playerFilter()->setText(QStringLiteral("kasparov"));
        ASSERT_GT(table.model()->rowCount(), 10);
        for (int row = 0; row < table.model()->rowCount(); ++row)
            ASSERT_TRUE((cell(table, row, 1) + cell(table, row, 2))
                            .contains(QStringLiteral("kasparov"), Qt::CaseInsensitive))
                << row;

        // Delete asks first, naming the game; the harness answers No.
        table.selectRow(1);
        QKeyEvent del(QEvent::KeyPress, Qt::Key_Delete, Qt::NoModifier);
        QApplication::sendEvent(&table, &del);
        const QStringList asked = h.takeMessages();
        EXPECT_TRUE(asked.size() == 1 &&
            asked[0].startsWith(QStringLiteral("Delete game %1 (").arg(cell(table, 1, 0))));

        table.setColumnWidth(1, 123);
        white = cell(table, 1, 1);
        QKeyEvent enter(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier);
        QApplication::sendEvent(&table, &enter);
    });
    EXPECT_EQ(QString::fromStdString(h.window().controller().game().white()), white);
    std::string widths;
    settings.readString("IDC_GAMESLIST", widths);
    EXPECT_NE(widths.find(",123,"), std::string::npos) << widths;

    // Close leaves the game on the board; the sheet keeps the order chosen.
    h.runDialog(cmd::kLoadGame, QStringLiteral("Velmorak"), [](QWidget& sheet) {
        EXPECT_EQ(dynamic_cast<gui::DatabaseDialog&>(sheet)
                      .gamesView()
                      ->horizontalHeader()
                      ->sortIndicatorSection(),
            1);
        static_cast<QDialog&>(sheet).reject();
    });
    EXPECT_EQ(QString::fromStdString(h.window().controller().game().white()), white);
}

} // namespace
