// "Find DGT board" over a device folder of its own, with boards on pseudo-terminals: the
// real serial port and driver probe them, and OK connects the window's board.
#include "gui/DgtPortDialog.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QLabel>
#include <QPushButton>
#include <QTreeWidget>
#include <filesystem>

#include <gtest/gtest.h>

#include "WindowHarness.h"
#include "app/DgtPortChoice.h"
#include "present/CommandTable.h"
#include "settings/RegistrySettings.h"
#include "support/PtyBoardServer.h"
#include "support/SimulatedDgtBoard.h"
#include "support/TempFolder.h"

using velmorak::test::PtyBoardServer;
using velmorak::test::SimulatedDgtBoard;
using velmorak::test::WindowHarness;
using namespace velmorak;
namespace fs = std::filesystem;

namespace {

// A board that answers on its line (only the server's thread feeds it), and a device that
// reads what is sent and says nothing.
struct Boards {
    SimulatedDgtBoard board;
    PtyBoardServer answering { [this](
                                   std::string_view received) { return board.receive(received); } };
    PtyBoardServer silent;
};

QStringList column(const QTreeWidget& list, int column)
{
    QStringList texts;
    for (int row = 0; row < list.topLevelItemCount(); ++row)
        texts << list.topLevelItem(row)->text(column);
    return texts;
}

QString statusOf(const gui::DgtPortDialog& dialog)
{
    return dialog.findChild<QLabel*>(QStringLiteral("status"))->text();
}

// Makes the dialog over `dev` for the window; OK sets the option as the Options dialog does.
std::unique_ptr<gui::DgtPortDialog> openDialog(WindowHarness& h, const TempFolder& dev)
{
    gui::MainWindow& w = h.window();
    return std::make_unique<gui::DgtPortDialog>(&w, w.application(),
        gui::dgtOptionSetter(w.application(), [&w] { w.optionsChanged(); }), dev.path());
}

} // namespace

TEST(DgtPortDialog, ListsTheLinesAutodetectFindsTheBoardAndOkConnectsIt)
{
    Boards boards;
    TempFolder dev;
    fs::create_directories(dev.file("serial/by-id"));
    // The silent device under two names, the board's under one; the board's device is also
    // configured by its own name.
    fs::create_symlink(boards.silent.path(), dev.file("serial/by-id/usb-Adapter-if00"));
    fs::create_symlink(boards.silent.path(), dev.file("ttyUSB0"));
    fs::create_symlink(boards.answering.path(), dev.file("ttyACM0"));
    WindowHarness h;
    const std::string board = dev.file("ttyACM0");
    const std::string missing = dev.file("rfcomm0");
    std::array<std::string, 5> configured { "", "", boards.answering.devicePath(), "", missing };
    h.window().application().settings().writeStringList(
        kDgtPortPathsSetting, std::span<const std::string>(configured));

    auto dialog = openDialog(h, dev);
    auto* list = dialog->findChild<QTreeWidget*>(QStringLiteral("ports"));
    ASSERT_NE(list, nullptr);
    const QStringList paths = column(*list, 0);
    const QStringList devices = column(*list, 1);
    ASSERT_GE(paths.size(), 5);
    const QString silent = QString::fromStdString(boards.silent.devicePath());
    const QString answering = QString::fromStdString(boards.answering.devicePath());
    EXPECT_EQ(paths.mid(0, 3),
        (QStringList { QString::fromStdString(dev.file("serial/by-id/usb-Adapter-if00")),
            QString::fromStdString(dev.file("ttyUSB0")), QString::fromStdString(board) }));
    EXPECT_EQ(devices.mid(0, 3), (QStringList { silent, silent, answering }));
    EXPECT_EQ(devices[paths.indexOf(answering)], answering);
    EXPECT_EQ(devices[paths.indexOf(QString::fromStdString(missing))], "(not present)");
    EXPECT_FALSE(dialog->buttons()->button(QDialogButtonBox::Ok)->isEnabled());

    // The silent device is asked once, first, and passed over.
    WindowHarness::click(*dialog, QStringLiteral("&Autodetect"));
    EXPECT_EQ(boards.silent.received().size(), 1u);
    EXPECT_EQ(dialog->selectedPath(), board);
    EXPECT_EQ(statusOf(*dialog),
        QStringLiteral("A DGT board answers on %1.").arg(QString::fromStdString(board)));

    // The port that named the same device by another path takes the chosen one.
    dialog->buttons()->button(QDialogButtonBox::Ok)->click();
    EXPECT_EQ(dgtPortPaths(h.window().application().settings())[2], board);
    EXPECT_EQ(h.storedInt("IDC_CBDGT"), 3);
    ASSERT_NE(h.window().dgtLink(), nullptr);
    dialog.reset();

    // Opened again, the board's line is in use: it is shown connected, not probed (which
    // would fail, the line being held).
    dialog = openDialog(h, dev);
    list = dialog->findChild<QTreeWidget*>(QStringLiteral("ports"));
    EXPECT_EQ(list->topLevelItem(2)->text(1), answering + " (connected)");
    EXPECT_EQ(dialog->selectedPath(), board);
    WindowHarness::click(*dialog, QStringLiteral("&Autodetect"));
    EXPECT_EQ(statusOf(*dialog),
        QStringLiteral("The DGT board is connected on %1.").arg(QString::fromStdString(board)));
    dialog->reject();
    EXPECT_NE(h.window().dgtLink(), nullptr);
}

TEST(DgtPortDialog, FromTheOptionsCancelKeepsTheOptionOkShowsTheNewPortInTheList)
{
    Boards boards;
    WindowHarness h;
    // A port configured by hand leads to the board: no probing of the machine's own lines.
    std::array<std::string, 5> configured { "", boards.answering.path(), "", "", "" };
    h.window().application().settings().writeStringList(
        kDgtPortPathsSetting, std::span<const std::string>(configured));
    auto chooseConfigured = [&](QWidget& dialog, bool ok) {
        auto* list = dialog.findChild<QTreeWidget*>(QStringLiteral("ports"));
        const auto found =
            list->findItems(QString::fromStdString(boards.answering.path()), Qt::MatchExactly, 0);
        ASSERT_EQ(found.size(), 1);
        list->setCurrentItem(found[0]);
        auto* box = dialog.findChild<QDialogButtonBox*>();
        box->button(ok ? QDialogButtonBox::Ok : QDialogButtonBox::Cancel)->click();
    };

    h.runDialog(cmd::kOptions, QStringLiteral("Options"), [&](QWidget& options) {
        h.whenDialogShows(QStringLiteral("Find DGT board"),
            [&](QWidget& dialog) { chooseConfigured(dialog, false); });
        WindowHarness::click(options, QStringLiteral("&Find board..."));
        EXPECT_EQ(h.window().application().options().dgtPort, 0);
        EXPECT_EQ(h.window().dgtLink(), nullptr);

        h.whenDialogShows(QStringLiteral("Find DGT board"),
            [&](QWidget& dialog) { chooseConfigured(dialog, true); });
        WindowHarness::click(options, QStringLiteral("&Find board..."));
        EXPECT_EQ(h.storedInt("IDC_CBDGT"), 2);
        EXPECT_NE(h.window().dgtLink(), nullptr);
        // The pages are made again, the combo box on the port chosen.
        EXPECT_TRUE(WindowHarness::waitUntil([&] {
            auto* ports = options.findChild<QComboBox*>(QStringLiteral("IDC_CBDGT"));
            return ports && ports->currentIndex() == 2 &&
                ports->currentText() == QString::fromStdString(boards.answering.path());
        }));
        static_cast<QDialog&>(options).reject();
    });
}
