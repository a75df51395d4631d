// The chat, channels, variables and finger dialogs over a session logged in to a scripted
// server, driven by keys and buttons as a user drives them.
#include <QAbstractButton>
#include <QApplication>
#include <QClipboard>
#include <QComboBox>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QSpinBox>
#include <QTest>
#include <QTreeWidget>
#include <algorithm>
#include <fstream>
#include <sstream>

#include <gtest/gtest.h>

#include "WindowHarness.h"
#include "app/Application.h"
#include "app/ServerSession.h"
#include "gui/ServerChannelsDialog.h"
#include "gui/ServerChatDialog.h"
#include "gui/ServerDialogRefresh.h"
#include "gui/ServerFingerDialog.h"
#include "gui/ServerVariablesDialog.h"
#include "platform/PosixSocket.h"
#include "support/FakeChessServer.h"

using velmorak::test::FakeChessServer;
using velmorak::test::WindowHarness;
using namespace velmorak;

namespace {

// The session's waits: the scripted server answers and the window's events run meanwhile.
struct ServingWaits final : ServerWaits {
    explicit ServingWaits(FakeChessServer& fake)
        : server(fake)
    {
    }
    void runFor(int) override
    {
        if (!accepted)
            accepted = server.accept(50);
        server.serve(5);
        QCoreApplication::processEvents();
    }
    FakeChessServer& server;
    bool accepted = false;
};

// The window, and a session of its controller logged in as guest on a FICS-like server.
struct ChatRig {
    ChatRig()
    {
        AppSettings& options = h.window().application().options();
        options.server = kFicsDialect;
        options.servers[kFicsDialect].port = server.port();
        session = std::make_unique<ServerSession>(
            h.window().controller(), options, socket, systemClock(), waits, view);
        server.expect("guest",
            "\"guest\" is not a registered name.\n\nPress return to enter the server as "
            "\"GuestWXYZ\": ");
        EXPECT_TRUE(session->logInAsGuest("127.0.0.1"));
        EXPECT_EQ(h.takeMessages(),
            QStringList { QStringLiteral("Connected and logged in as GuestWXYZ!") });
        receive("\n**** Starting FICS session as GuestWXYZ(U) ****\n\nfics% ");
    }
    ~ChatRig() { session->logOut(false); }

    // The server sends `bytes`; the window's timer reads them.
    void receive(std::string_view bytes)
    {
        server.send(bytes);
        for (int i = 0; i < 50 && !session->client().checkForServerInput(); ++i)
            server.serve(2);
    }
    std::vector<std::string> sentSinceLogin()
    {
        server.serve(20);
        const auto& all = server.received();
        const auto settings = std::find(all.begin(), all.end(), "set shout 0");
        return { settings == all.end() ? all.end() : settings + 1, all.end() };
    }

    WindowHarness h;
    FakeChessServer server { true };
    PosixSocket socket;
    ServingWaits waits { server };
    ServerSessionView view;
    std::unique_ptr<ServerSession> session;
};

template <class T> T& child(QWidget& dialog, const char* name)
{
    T* found = dialog.findChild<T*>(QString::fromLatin1(name));
    if (!found)
        throw std::runtime_error(name);
    return *found;
}

using Lines = std::vector<std::string>;

TEST(ServerChatDialogs, ATellShowsOnItsPartnersPageAndAPastedLineBreakSendsOneLine)
{
    ChatRig rig;
    rig.receive("mgatto(TD) tells you: hello there\n");
    EXPECT_TRUE(rig.session->chat().unreadChat());
    gui::ServerChatDialog chat(&rig.h.window(), rig.h.window().controller(), *rig.session);
    chat.show();
    auto& view = child<QPlainTextEdit>(chat, "chatView");
    EXPECT_EQ(child<QComboBox>(chat, "chatTarget").currentText(), QStringLiteral("mgatto"));
    EXPECT_EQ(view.toPlainText(), QStringLiteral("mgatto> hello there"));
    EXPECT_FALSE(rig.session->chat().unreadChat()) << "opening reads the chat";

    // What arrives while it is open follows when the window passes the news on.
    rig.receive("mgatto(TD) tells you: ready?\n");
    gui::refreshServerDialog(&chat);
    EXPECT_EQ(view.toPlainText(), QStringLiteral("mgatto> hello there\nmgatto> ready?"));

    auto& message = child<QComboBox>(chat, "chatMessage");
    QApplication::clipboard()->setText(QStringLiteral("yes, Grüße\nresign"));
    message.lineEdit()->setFocus();
    QTest::keyClick(message.lineEdit(), Qt::Key_V, Qt::ControlModifier);
    QTest::keyClick(message.lineEdit(), Qt::Key_Return);
    EXPECT_EQ(rig.sentSinceLogin(), Lines { "tell mgatto yes, Gruesse resign" });
    EXPECT_TRUE(chat.isVisible()) << "Return sends; it does not close the dialog";
    EXPECT_TRUE(message.currentText().isEmpty());
    EXPECT_EQ(message.count(), 1) << "the message went to the history";
    EXPECT_TRUE(view.toPlainText().endsWith(QStringLiteral("GuestWXYZ> yes, Grüße\nresign")))
        << "the page keeps the text as typed";

    // Return on a new partner's name shows his page and sends nothing.
    auto* target = child<QComboBox>(chat, "chatTarget").lineEdit();
    target->setFocus();
    target->selectAll();
    QTest::keyClicks(target, QStringLiteral("Snail"));
    QTest::keyClick(target, Qt::Key_Return);
    EXPECT_TRUE(view.toPlainText().isEmpty());
    EXPECT_EQ(rig.sentSinceLogin().size(), 1U);
}

TEST(ServerChatDialogs, ConsoleHistoryChannelsAndTheSavedLog)
{
    ChatRig rig;
    gui::ServerChannelsDialog channels(&rig.h.window(), rig.h.window().controller(), *rig.session);
    channels.show();
    channels.selectPage(QStringLiteral("Server"));
    auto& command = child<QLineEdit>(channels, "consoleCommand");
    command.setFocus();
    for (const char* line : { "finger", "who" }) {
        QTest::keyClicks(&command, QString::fromLatin1(line));
        QTest::keyClick(&command, Qt::Key_Return);
    }
    QTest::keyClicks(&command, QStringLiteral("ob"));
    QStringList walked;
    for (Qt::Key key : { Qt::Key_Up, Qt::Key_Up, Qt::Key_Up, Qt::Key_Down, Qt::Key_Down }) {
        QTest::keyClick(&command, key);
        walked << command.text();
    }
    EXPECT_EQ(walked, (QStringList { "who", "finger", "finger", "who", "ob" }));
    EXPECT_TRUE(channels.isVisible());

    // A joined channel gets its page, which shows the channel's lines.
    child<QSpinBox>(channels, "channelNumber").setValue(4);
    WindowHarness::click(channels, QStringLiteral("&Join"));
    EXPECT_EQ(channels.page(), QStringLiteral("4"));
    rig.receive("Hamster(4): anyone for a 5 0?\n");
    gui::refreshServerDialog(&channels);
    EXPECT_EQ(child<QPlainTextEdit>(channels, "channelView").toPlainText(),
        QStringLiteral("Hamster(4): anyone for a 5 0?"));
    WindowHarness::click(channels, QStringLiteral("&Join"));
    EXPECT_EQ(rig.h.takeMessages(), QStringList { QStringLiteral("Channel already selected!") });
    EXPECT_EQ(rig.sentSinceLogin(), (Lines { "finger", "who", "+channel 4" }));

    // The log page saves what the log holds; deleting it sends nothing.
    channels.selectPage(QString::fromUtf8(kLogPageName));
    ASSERT_EQ(channels.page(), QString::fromUtf8(kLogPageName));
    const std::string path = rig.h.folder().file("server.log");
    rig.h.whenDialogShows(QStringLiteral("Save log"),
        [&](QWidget& files) { WindowHarness::chooseFile(files, path); });
    WindowHarness::click(channels, QStringLiteral("Sa&ve..."));
    std::ifstream saved(path);
    std::stringstream text;
    text << saved.rdbuf();
    EXPECT_EQ(text.str(), rig.session->log().text());
    EXPECT_NE(text.str().find("+channel 4\n"), std::string::npos);
    WindowHarness::click(channels, QStringLiteral("&Delete"));
    EXPECT_EQ(channels.page(), QStringLiteral("Server"));
    EXPECT_EQ(rig.sentSinceLogin().size(), 3U);
}

TEST(ServerChatDialogs, VariablesAreEditedOneAtATimeAndBothPlayersAreFingered)
{
    ChatRig rig;
    rig.server.expect("variables",
        "Variable settings of GuestWXYZ:\n\nrated=0 open=1 style=12\n"
        "interface=\"a chess program\"\nfics% ");
    gui::ServerVariablesDialog variables(
        &rig.h.window(), rig.h.window().controller(), *rig.session);
    variables.show();
    variables.request();
    auto& list = child<QTreeWidget>(variables, "variableList");
    ASSERT_EQ(list.topLevelItemCount(), 3);
    list.setCurrentItem(list.topLevelItem(1)); // open
    child<QLineEdit>(variables, "variableValue").setText(QStringLiteral("0"));
    list.setCurrentItem(list.topLevelItem(2)); // rated: the change of open goes out
    EXPECT_EQ(list.topLevelItem(1)->text(1), QStringLiteral("0"));
    variables.reject(); // rated unchanged: nothing more
    EXPECT_EQ(rig.sentSinceLogin(), (Lines { "variables", "set open 0" }));

    // Watching a game, the finger window asks about both players.
    rig.h.window().controller().game().setTag("White", "Hamster");
    rig.h.window().controller().game().setTag("Black", "Snail");
    rig.h.window().controller().SetObserveMode(true, 7);
    rig.server.expect("finger Hamster", "Finger of Hamster:\n\nOn for: 4 mins\nfics% ");
    rig.server.expect("finger Snail", "Finger of Snail:\nTimeseal 1 : On\nfics% ");
    gui::ServerFingerDialog finger(&rig.h.window(), rig.h.window().controller(), *rig.session);
    finger.show();
    finger.fingerOpening();
    EXPECT_EQ(child<QPlainTextEdit>(finger, "fingerView").toPlainText().toStdString(),
        "Finger of Hamster:\n\nOn for: 4 mins\n\n" + std::string(63, '-') +
            "\n\nFinger of Snail:\nTimeseal 1 : On");
    rig.h.window().controller().SetObserveMode(false, -1);
}

} // namespace
