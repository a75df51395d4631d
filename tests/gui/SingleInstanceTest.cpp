#include "gui/SingleInstance.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QLocalServer>
#include <QLocalSocket>

#include <gtest/gtest.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include "support/ScopedEnvironment.h"
#include "support/TempFolder.h"

using velmorak::gui::SingleInstance;
using namespace std::chrono_literals;

namespace {

// Every object here lives on the test's thread; the hand-over's own event loop serves the
// listening side too.
class SingleInstanceTest : public testing::Test {
protected:
    SingleInstanceTest()
    {
        static int argc = 1;
        static char name[] = "single_instance_test";
        static char* argv[] = { name, nullptr };
        static QCoreApplication application(argc, argv);
    }

    SingleInstance& running()
    {
        QObject::connect(&first, &SingleInstance::filesReceived,
            [this](const QStringList& files) { received.push_back(files); });
        EXPECT_TRUE(first.listen());
        return first;
    }

    void processEventsUntil(const std::function<bool()>& condition)
    {
        QElapsedTimer clock;
        clock.start();
        while (!condition() && clock.elapsed() < 5000)
            QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    }

    TempFolder runtime;
    ScopedEnvironment xdg { "XDG_RUNTIME_DIR", runtime.path() };
    SingleInstance first;
    std::vector<QStringList> received;
};

TEST_F(SingleInstanceTest, SecondStartHandsOverAbsolutePathsOrAsksForTheWindow)
{
    running();
    SingleInstance second;
    EXPECT_FALSE(second.listen());
    EXPECT_TRUE(second.handOver({ "games.pgn", "/srv/book.kbk" }));
    EXPECT_TRUE(second.handOver({}));
    ASSERT_EQ(received.size(), 2u);
    EXPECT_EQ(received[0],
        QStringList({ QDir::current().absoluteFilePath("games.pgn"), "/srv/book.kbk" }));
    EXPECT_TRUE(received[1].isEmpty());
}

TEST_F(SingleInstanceTest, FirstStartFindsNobodyAndListens)
{
    SingleInstance alone;
    EXPECT_TRUE(
        alone.socketPath().startsWith(QString::fromStdString(runtime.path() + "/velmorak-")));
    EXPECT_FALSE(alone.handOver({ "/x.pgn" }));
    EXPECT_TRUE(alone.listen());

    ScopedEnvironment unset("XDG_RUNTIME_DIR", std::nullopt);
    EXPECT_TRUE(SingleInstance().socketPath().startsWith(QDir::tempPath() + "/velmorak-"));
}

TEST_F(SingleInstanceTest, SocketLeftByACrashIsReplaced)
{
    sockaddr_un address {};
    address.sun_family = AF_UNIX;
    std::string path = first.socketPath().toStdString();
    path.copy(address.sun_path, sizeof address.sun_path - 1);
    int stale = ::socket(AF_UNIX, SOCK_STREAM, 0);
    ASSERT_EQ(::bind(stale, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
    ::close(stale);

    EXPECT_FALSE(SingleInstance().handOver({ "/x.pgn" }));
    running();
    EXPECT_TRUE(SingleInstance().handOver({ "/x.pgn" }));
    EXPECT_EQ(received.size(), 1u);
}

TEST_F(SingleInstanceTest, SomethingElseAtTheSocketsNameIsLeftAlone)
{
    TempFolder::write(first.socketPath().toStdString(), "not a socket");
    EXPECT_FALSE(first.handOver({ "/x.pgn" }));
    EXPECT_FALSE(first.listen());
    EXPECT_EQ(TempFolder::read(first.socketPath().toStdString()), "not a socket");
}

TEST_F(SingleInstanceTest, MalformedOrStalledPeerIsDroppedAndTheNextStartIsServed)
{
    first.setTimeout(200ms);
    running();
    for (const char* bytes : { "GET / HTTP/1.0\r\n\r\n", "VMK-OPEN 1\n9:/a" }) {
        QLocalSocket peer;
        peer.connectToServer(first.socketPath());
        ASSERT_TRUE(peer.waitForConnected(1000));
        peer.write(bytes);
        processEventsUntil([&] { return peer.state() == QLocalSocket::UnconnectedState; });
        EXPECT_EQ(peer.state(), QLocalSocket::UnconnectedState) << bytes;
        EXPECT_TRUE(peer.readAll().isEmpty()) << bytes;
    }
    EXPECT_TRUE(received.empty());
    EXPECT_TRUE(SingleInstance().handOver({ "/x.pgn" }));
}

TEST_F(SingleInstanceTest, ListenerThatDoesNotAcknowledgeIsNotTrusted)
{
    QLocalServer impostor;
    ASSERT_TRUE(impostor.listen(first.socketPath()));
    QObject::connect(&impostor, &QLocalServer::newConnection,
        [&] { impostor.nextPendingConnection()->write("NO\n"); });
    first.setTimeout(300ms);
    EXPECT_FALSE(first.handOver({ "/x.pgn" }));
    impostor.disconnect();
    EXPECT_FALSE(first.handOver({ "/x.pgn" })) << "silence until the time-out";
}

} // namespace
