// The login, the server sheet and the accept dialog, run from the window's commands against
// a scripted server on loopback TCP: the real session, client and dispatcher underneath.
#include <QAbstractButton>
#include <QApplication>
#include <QComboBox>
#include <QDialog>
#include <QHeaderView>
#include <QLabel>
#include <QPlainTextEdit>
#include <QSpinBox>
#include <QTest>
#include <QTimer>
#include <QTreeView>
#include <algorithm>
#include <functional>

#include <gtest/gtest.h>

#include "WindowHarness.h"
#include "present/CommandTable.h"
#include "support/FakeChessServer.h"

using velmorak::test::FakeChessServer;
using velmorak::test::WindowHarness;
using namespace velmorak;

namespace {

constexpr const char* kGuestWelcome = "\"guest\" is not a registered name.\n\nPress return to "
                                      "enter the server as \"GuestWXYZ\": ";

// The server's side, served from the event loop as the window waits and polls.
struct ServerRig {
    ServerRig()
    {
        pump.setInterval(5);
        QObject::connect(&pump, &QTimer::timeout, [this] {
            if (!accepted)
                accepted = server.accept(0);
            server.serve(0);
        });
        pump.start();
    }
    bool received(const std::string& line)
    {
        return WindowHarness::waitUntil([&] {
            const auto& lines = server.received();
            return std::find(lines.begin(), lines.end(), line) != lines.end();
        });
    }

    FakeChessServer server { true };
    bool accepted = false;
    QTimer pump;
};

// Runs `answer` on the visible window titled `title` once `ready` holds for it. Looked for
// from a timer that returns at once otherwise, so a dialog waiting for the server further
// down is never waited on from above it.
void whenReady(const QString& title, std::function<bool(QWidget&)> ready,
    std::function<void(QWidget&)> answer, QObject* owner)
{
    auto* poll = new QTimer(owner);
    poll->setInterval(10);
    QObject::connect(poll, &QTimer::timeout, poll, [=] {
        for (QWidget* widget : QApplication::topLevelWidgets())
            if (widget->isVisible() && widget->windowTitle() == title && ready(*widget)) {
                poll->stop();
                poll->deleteLater();
                answer(*widget);
                return;
            }
    });
    poll->start();
}

QStringList column(QTreeView& view, int column)
{
    QStringList texts;
    for (int row = 0; row < view.model()->rowCount(); ++row)
        texts << view.model()->index(row, column).data().toString();
    return texts;
}

void clickHeader(QTreeView& view, int section)
{
    QHeaderView* header = view.header();
    QTest::mouseClick(header->viewport(), Qt::LeftButton, {},
        QPoint(header->sectionViewportPosition(section) + 4, header->height() / 2));
}

// Logs in as guest through the login dialog: the server typed as a host, its port.
void logInAsGuest(WindowHarness& h, ServerRig& rig)
{
    rig.server.expect("guest", kGuestWelcome);
    rig.server.expect("", "**** Starting FICS session as GuestWXYZ(U) ****\nfics% ");
    h.runDialog(cmd::kLoginLogout, QStringLiteral("Login"), [&](QWidget& dialog) {
        auto* login = dialog.findChild<QAbstractButton*>(QStringLiteral("login"));
        EXPECT_FALSE(WindowHarness::buttonNamed(dialog, QStringLiteral("S&eek"))->isEnabled());
        dialog.findChild<QComboBox*>(QStringLiteral("server"))
            ->setEditText(QStringLiteral("127.0.0.1"));
        dialog.findChild<QSpinBox*>(QStringLiteral("port"))->setValue(rig.server.port());
        WindowHarness::click(dialog, QStringLiteral("Login as &guest"));
        EXPECT_EQ(login->text(), QStringLiteral("Log&out"));
        EXPECT_TRUE(WindowHarness::buttonNamed(dialog, QStringLiteral("S&eek"))->isEnabled());
        WindowHarness::click(dialog, QStringLiteral("OK"));
    });
    EXPECT_EQ(h.takeMessages(), QStringList { "Connected and logged in as GuestWXYZ!" });
}

} // namespace

TEST(ServerDialogs, GuestLoginSortsTheSoughtListAndPlaysTheChosenSeekIntoAGame)
{
    WindowHarness h;
    ServerRig rig;
    EXPECT_FALSE(h.window().action(cmd::kSought)->isEnabled());
    logInAsGuest(h, rig);
    EXPECT_TRUE(h.window().windowTitle().contains(QStringLiteral("GuestWXYZ")));
    EXPECT_TRUE(h.window().action(cmd::kSought)->isEnabled());
    EXPECT_FALSE(h.window().action(cmd::kFlag)->isEnabled()) << "no game yet";
    EXPECT_TRUE(rig.received("style 12"));

    rig.server.expect("sought",
        "  3 1843 Hamster            5   0 rated   blitz      [white]     0-9999 m\n"
        "  7 1500 GuestQWXZ         15   5 unrated standard              1500-1500 mf\n"
        " 15 1610 Rival              2  12 unrated blitz      [white]  1200-1800\n"
        "3 ads displayed.\nfics% ");
    rig.server.expect("play 15",
        "Creating: Rival (1610) GuestWXYZ (++++) unrated blitz 2 12\n"
        "{Game 55 (Rival vs. GuestWXYZ) Creating unrated blitz match.}\n"
        "<12> rnbqkbnr pppppppp -------- -------- -------- -------- PPPPPPPP RNBQKBNR W -1 1 1 "
        "1 1 0 55 Rival GuestWXYZ -1 2 12 39 39 120000 120000 1 none (0:00.000) none 1 0 0\n"
        "fics% ");
    bool answered = false;
    whenReady(
        QStringLiteral("Velmorak"),
        [](QWidget& sheet) {
            auto* list = sheet.findChild<QTreeView*>(QStringLiteral("list0"));
            return list && list->model()->rowCount() == 3;
        },
        [&](QWidget& sheet) {
            answered = true;
            auto& list = *sheet.findChild<QTreeView*>(QStringLiteral("list0"));
            // Name first ascending, then reversed: the session's orders, not the view's.
            clickHeader(list, 0);
            EXPECT_EQ(column(list, 0),
                (QStringList { "GuestQWXZ (1500)", "Hamster (1843)", "Rival (1610)" }));
            clickHeader(list, 0);
            EXPECT_EQ(column(list, 0).first(), QStringLiteral("Rival (1610)"));
            list.setCurrentIndex(list.model()->index(0, 0));
            WindowHarness::click(sheet, QStringLiteral("&Play"));
            // The game that begins closes the sheet; a sheet left open fails below.
            QTimer::singleShot(5000, &sheet, [&sheet] { sheet.close(); });
        },
        &h.window());
    const int result = h.window().openServerSheet(1);
    ASSERT_TRUE(answered);
    EXPECT_EQ(result, QDialog::Accepted) << "closed by the game, not by the time limit";
    EXPECT_EQ(h.window().serverSession().lists().sortMode(ServerList::Seeks), -2);
    EXPECT_EQ(h.takeMessages(), QStringList { "Game Rival - GuestWXYZ (2 12) begins!" });
    EXPECT_TRUE(h.window().boardView().flipped()) << "the user plays Black";

    // The in-game commands reach the server while the game runs.
    ASSERT_TRUE(h.window().action(cmd::kFlag)->isEnabled());
    h.window().runCommand(cmd::kFlag);
    EXPECT_TRUE(rig.received("flag"));
    rig.server.send("{Game 55 (Rival vs. GuestWXYZ) Rival resigns} 0-1\nfics% ");
    ASSERT_TRUE(WindowHarness::waitUntil([&] { return !h.messages.isEmpty(); }));
    EXPECT_TRUE(h.takeMessages().first().startsWith(QStringLiteral("Game 55 finished!")));

    h.runDialog(cmd::kLoginLogout, QStringLiteral("Login"), [](QWidget& dialog) {
        WindowHarness::click(dialog, QStringLiteral("Log&out"));
        EXPECT_TRUE(WindowHarness::buttonNamed(dialog, QStringLiteral("&Login")));
        WindowHarness::click(dialog, QStringLiteral("Cancel"));
    });
    EXPECT_TRUE(rig.received("quit"));
    EXPECT_FALSE(h.window().windowTitle().contains(QStringLiteral("GuestWXYZ")));
    EXPECT_FALSE(h.window().action(cmd::kSought)->isEnabled());

    // The order chosen is the next start's.
    h.reopen();
    EXPECT_EQ(h.storedInt("nSeekSortMode"), -2);
}

TEST(ServerDialogs, AChallengeIsAnsweredInTheAcceptDialogAndALostLinkOffersReconnecting)
{
    WindowHarness h;
    ServerRig rig;
    logInAsGuest(h, rig);

    // The window's timer reads the challenge; the dialog names both sides and the terms.
    QString players;
    h.whenDialogShows(QStringLiteral("Accept match"), [&](QWidget& dialog) {
        players = dialog.findChild<QLabel*>(QStringLiteral("players"))->text();
        // Return declines, as OK does: a key meant for the board never starts a game.
        QTest::keyClick(&dialog, Qt::Key_Return);
    });
    rig.server.send("Challenge: Rival (1500) GuestWXYZ (++++) unrated blitz 5 0.\n");
    EXPECT_TRUE(rig.received("decline Rival"));
    EXPECT_EQ(players, QStringLiteral("Rival (1500) - GuestWXYZ (++++)"));
    h.whenDialogShows(QStringLiteral("Accept match"),
        [](QWidget& dialog) { WindowHarness::click(dialog, QStringLiteral("&Accept")); });
    rig.server.send("Challenge: Rival (1500) GuestWXYZ (++++) rated blitz 3 0.\n");
    EXPECT_TRUE(rig.received("accept Rival"));

    // A tell opens a conversation; the chat window follows it while it is open.
    rig.server.send("Rival tells you: hello there\nfics% ");
    ASSERT_TRUE(WindowHarness::waitUntil(
        [&] { return h.window().serverSession().chat().chatPage("Rival") != nullptr; }));
    bool followed = false;
    h.runDialog(cmd::kChat, QStringLiteral("Chat"), [&](QWidget& chat) {
        auto* page = chat.findChild<QPlainTextEdit*>(QStringLiteral("chatView"));
        EXPECT_TRUE(page->toPlainText().contains(QStringLiteral("hello there")));
        rig.server.send("Rival tells you: still there?\nfics% ");
        followed = WindowHarness::waitUntil(
            [&] { return page->toPlainText().contains(QStringLiteral("still there?")); });
        WindowHarness::click(chat, QStringLiteral("Close"));
    });
    EXPECT_TRUE(followed);

    // The server goes away: the title says so at once and the window offers to log in again.
    rig.server.hangUp();
    ASSERT_TRUE(WindowHarness::waitUntil([&] { return !h.messages.isEmpty(); }));
    EXPECT_TRUE(h.window().windowTitle().contains(QStringLiteral("stalled")));
    EXPECT_EQ(h.takeMessages(),
        QStringList { "The connection to the chess server was lost. Reconnect?" });
}
