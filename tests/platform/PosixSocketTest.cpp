#include "platform/PosixSocket.h"

#include <chrono>
#include <csignal>
#include <string>
#include <thread>

#include <gtest/gtest.h>
#include <sys/socket.h>
#include <unistd.h>

#include "support/LoopbackListener.h"

using namespace velmorak;
using velmorak::test::LoopbackListener;
using Receive = ServerSocket::ReceiveStatus;

namespace {

// Receives until something other than Nothing comes, for at most five seconds.
Receive receiveSoon(PosixSocket& socket, std::string& into)
{
    for (int i = 0; i < 500; ++i) {
        const Receive status = socket.receive(into, 8191);
        if (status != Receive::Nothing)
            return status;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return Receive::Nothing;
}

} // namespace

// A whole conversation over each kind of loopback address, and the name of one.
TEST(PosixSocket, TalksToAServerOverIpv4AndIpv6)
{
    for (auto [listen, host] : { std::pair { "127.0.0.1", "127.0.0.1" }, std::pair { "::1", "::1" },
             std::pair { "::1", "[::1]" }, std::pair { "127.0.0.1", "localhost" } }) {
        LoopbackListener listener(listen);
        if (!listener.isOpen() && std::string(listen) == "::1")
            continue; // no IPv6 on this machine
        ASSERT_TRUE(listener.isOpen()) << listen;
        PosixSocket socket;
        const Status connected = socket.connect(host, listener.port(), 5000);
        if (!connected && std::string(host) == "localhost")
            continue; // "localhost" names only ::1 here, and that was found missing above
        ASSERT_TRUE(connected) << host << ": " << connected.error().message;
        const int peer = listener.accept();
        ASSERT_NE(peer, -1) << host;

        std::string bytes;
        EXPECT_EQ(socket.receive(bytes, 8191), Receive::Nothing) << host;
        std::size_t sent = 0;
        ASSERT_TRUE(socket.send("guest\n", sent, 1000)) << host;
        EXPECT_EQ(sent, 6u);
        EXPECT_EQ(LoopbackListener::readBytes(peer, 6), "guest\n") << host;

        ASSERT_TRUE(LoopbackListener::writeBytes(peer, "fics% "));
        EXPECT_EQ(receiveSoon(socket, bytes), Receive::Data) << host;
        EXPECT_EQ(bytes, "fics% ") << host;

        ::close(peer);
        EXPECT_EQ(receiveSoon(socket, bytes), Receive::Closed) << host;
        socket.close();
        EXPECT_EQ(socket.receive(bytes, 8191), Receive::Failed);
    }
}

TEST(PosixSocket, RefusesBadPortsAndReportsFailedConnects)
{
    PosixSocket socket;
    for (int port : { 0, -1, 65536 }) {
        const Status status = socket.connect("127.0.0.1", port, 1000);
        ASSERT_FALSE(status) << port;
        EXPECT_EQ(status.error().kind, ErrorKind::InvalidInput) << port;
    }

    int closedPort = 0;
    {
        LoopbackListener gone;
        closedPort = gone.port();
    }
    Status refused = socket.connect("127.0.0.1", closedPort, 1000);
    ASSERT_FALSE(refused);
    EXPECT_EQ(refused.error().message, ServerSocket::kConnectFailedText);
    EXPECT_FALSE(socket.isOpen());

    Status unnamed = socket.connect("", 5000, 1000);
    ASSERT_FALSE(unnamed);
    EXPECT_EQ(unnamed.error().message, ServerSocket::kHostNotFoundText);

    std::size_t sent = 1;
    EXPECT_FALSE(socket.send("x", sent, 100));
    EXPECT_EQ(sent, 0u);
}

// A server whose queue of new connections is full drops further ones unanswered: the connect
// gives up when its time is up instead of waiting for the system's minutes.
TEST(PosixSocket, GivesUpAConnectThatIsNotAnswered)
{
    LoopbackListener listener("127.0.0.1", 0);
    ASSERT_TRUE(listener.isOpen());
    // Fill the listener's queue: those connects are answered, later ones are not.
    PosixSocket fillers[2];
    for (PosixSocket& filler : fillers)
        (void)filler.connect("127.0.0.1", listener.port(), 100);

    PosixSocket socket;
    const auto start = std::chrono::steady_clock::now();
    const Status status = socket.connect("127.0.0.1", listener.port(), 300);
    const auto took = std::chrono::steady_clock::now() - start;
    ASSERT_FALSE(status);
    EXPECT_EQ(status.error().message, ServerSocket::kConnectFailedText);
    EXPECT_LT(took, std::chrono::seconds(3));
}

// Far more than the system buffers take at once: the send goes on with the rest each time
// the server has read some, and the server gets every byte once, in order.
TEST(PosixSocket, SendsBigBlocksWholeWhileTheServerReadsSlowly)
{
    LoopbackListener listener;
    PosixSocket socket;
    ASSERT_TRUE(socket.connect("127.0.0.1", listener.port(), 5000));
    const int peer = listener.accept();
    ASSERT_NE(peer, -1);

    std::string block(8 * 1024 * 1024, '\0');
    for (std::size_t i = 0; i < block.size(); ++i)
        block[i] = static_cast<char>('a' + (i * 7 + i / 4099) % 26);
    std::string received;
    std::thread reader([&] { received = LoopbackListener::readBytes(peer, block.size(), 20000); });
    std::size_t sent = 0;
    const Status status = socket.send(block, sent, 20000);
    reader.join();
    EXPECT_TRUE(status);
    EXPECT_EQ(sent, block.size());
    EXPECT_TRUE(received == block) << received.size() << " bytes received";
    ::close(peer);
}

// A server that stops reading, or has gone: the send says how far it got, and the program
// lives on (a SIGPIPE would end this test).
TEST(PosixSocket, ReportsSendsThatCannotFinish)
{
    // As the program runs: SIGPIPE not ignored (whoever started the test may ignore it).
    std::signal(SIGPIPE, SIG_DFL);
    LoopbackListener listener;
    PosixSocket socket;
    ASSERT_TRUE(socket.connect("127.0.0.1", listener.port(), 5000));
    const int peer = listener.accept();
    ASSERT_NE(peer, -1);

    const std::string block(64 * 1024 * 1024, 'x');
    std::size_t sent = 0;
    EXPECT_FALSE(socket.send(block, sent, 200));
    EXPECT_GT(sent, 0u);
    EXPECT_LT(sent, block.size());

    // The first failure is the reset, the later ones are writes to a closed socket.
    ::close(peer);
    int failures = 0;
    for (int i = 0; i < 100 && failures < 3; ++i) {
        failures += socket.send("x\n", sent, 200) ? 0 : 1;
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    EXPECT_EQ(failures, 3);
}
