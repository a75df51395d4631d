#include "gui/DatabaseDialog.h"

#include <QApplication>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLineEdit>
#include <QProgressBar>
#include <QTableView>

#include <gtest/gtest.h>

#include "WindowHarness.h"

using velmorak::test::WindowHarness;
using namespace velmorak;

namespace {

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
    h.whenDialogShows(QStringLiteral("Velmorak"), [&](QWidget& widget) {
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
        ASSERT_EQ(h.messages.size(), 1);
        EXPECT_TRUE(
            h.messages[0].startsWith(QStringLiteral("Delete game %1 (").arg(cell(table, 1, 0))));
        h.messages.clear();

        table.setColumnWidth(1, 123);
        white = cell(table, 1, 1);
        QKeyEvent enter(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier);
        QApplication::sendEvent(&table, &enter);
    });
    h.window().runCommand(cmd::kLoadGame);
    EXPECT_EQ(QString::fromStdString(h.window().controller().game().white()), white);
    std::string widths;
    settings.readString("IDC_GAMESLIST", widths);
    EXPECT_NE(widths.find(",123,"), std::string::npos) << widths;

    // Close leaves the game on the board; the sheet keeps the order chosen.
    h.whenDialogShows(QStringLiteral("Velmorak"), [](QWidget& sheet) {
        EXPECT_EQ(dynamic_cast<gui::DatabaseDialog&>(sheet)
                      .gamesView()
                      ->horizontalHeader()
                      ->sortIndicatorSection(),
            1);
        static_cast<QDialog&>(sheet).reject();
    });
    h.window().runCommand(cmd::kLoadGame);
    EXPECT_EQ(QString::fromStdString(h.window().controller().game().white()), white);
}

} // namespace
