#include "gui/SingleInstance.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QDir>
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

// Everything runs on the test's thread: the hand-over's own event loop serves the listener.
class SingleInstanceTest : public testing::Test {
protected:
    SingleInstanceTest()
    {
        QObject::connect(&first, &SingleInstance::filesReceived,
            [this](const QStringList& files) { received.push_back(files); });
    }

    TempFolder runtime;
    ScopedEnvironment xdg { "XDG_RUNTIME_DIR", runtime.path() };
    SingleInstance first;
    std::vector<QStringList> received;
};

TEST_F(SingleInstanceTest, FirstStartListensAndLaterStartsHandOverAbsolutePaths)
{
    EXPECT_FALSE(first.handOver({ "/x.pgn" })) << "nobody runs yet";
    ASSERT_TRUE(first.listen());
    SingleInstance second;
    EXPECT_FALSE(second.listen()) << "the first one answers";
    EXPECT_TRUE(second.handOver({ "games.pgn", "/srv/book.kbk" }));
    EXPECT_TRUE(second.handOver({}));
    const std::vector<QStringList> expected = {
        { QDir::current().absoluteFilePath("games.pgn"), "/srv/book.kbk" }, {}
    };
    EXPECT_EQ(received, expected);
}

TEST_F(SingleInstanceTest, SocketLeftByACrashIsReplacedAndAForeignFileLeftAlone)
{
    std::string path = first.socketPath().toStdString();
    TempFolder::write(path, "not a socket");
    EXPECT_FALSE(first.handOver({ "/x.pgn" }));
    EXPECT_FALSE(first.listen());
    EXPECT_EQ(TempFolder::read(path), "not a socket");

    ::unlink(path.c_str());
    sockaddr_un address { AF_UNIX, {} };
    path.copy(address.sun_path, sizeof address.sun_path - 1);
    int stale = ::socket(AF_UNIX, SOCK_STREAM, 0);
    ASSERT_EQ(::bind(stale, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
    ::close(stale);
    EXPECT_TRUE(first.listen());
    EXPECT_TRUE(SingleInstance().handOver({ "/x.pgn" }));
}

TEST_F(SingleInstanceTest, MalformedOrStalledPeerIsDroppedUnanswered)
{
    first.setTimeout(200ms);
    ASSERT_TRUE(first.listen());
    for (const char* bytes : { "GET / HTTP/1.0\r\n\r\n", "VMK-OPEN 1\n9:/a" }) {
        QLocalSocket peer;
        peer.connectToServer(first.socketPath());
        peer.write(bytes);
        for (QDeadlineTimer deadline(5000);
             peer.state() != QLocalSocket::UnconnectedState && !deadline.hasExpired();)
            QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        EXPECT_EQ(peer.state(), QLocalSocket::UnconnectedState) << bytes;
        EXPECT_TRUE(peer.readAll().isEmpty()) << bytes;
    }
    EXPECT_TRUE(received.empty());
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
