#include "platform/PosixSocket.h"

#include <chrono>
#include <csignal>
#include <string>
#include <thread>

#include <gtest/gtest.h>
#include <unistd.h>

#include "support/LoopbackListener.h"

using namespace velmorak;
using velmorak::test::LoopbackListener;
using Receive = ServerSocket::ReceiveStatus;
using namespace std::chrono_literals;

namespace {

// Receives until something other than Nothing comes, for at most five seconds.
Receive receiveSoon(PosixSocket& socket, std::string& into)
{
    Receive status = Receive::Nothing;
    for (int i = 0; i < 500 && status == Receive::Nothing; ++i, std::this_thread::sleep_for(10ms))
        status = socket.receive(into, 8191);
    return status;
}

} // namespace

// A whole conversation over each kind of loopback address, and a name.
TEST(PosixSocket, TalksToAServerOverIpv4AndIpv6)
{
    for (auto [listen, host] : { std::pair { "127.0.0.1", "127.0.0.1" }, std::pair { "::1", "::1" },
             std::pair { "::1", "[::1]" }, std::pair { "127.0.0.1", "localhost" } }) {
        LoopbackListener listener(listen);
        if (!listener.isOpen() && std::string(listen) == "::1")
            continue; // no IPv6 on this machine
        PosixSocket socket;
        const Status connected = socket.connect(host, listener.port(), 5000);
        if (!connected && std::string(host) == "localhost")
            continue; // "localhost" names only ::1 here, found missing above
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

TEST(PosixSocket, ReportsConnectsThatFailWithinTheirTime)
{
    PosixSocket socket;
    for (int port : { 0, -1, 65536 })
        EXPECT_EQ(socket.connect("127.0.0.1", port, 1000).error().kind, ErrorKind::InvalidInput);
    EXPECT_EQ(socket.connect("", 5000, 1000).error().message, ServerSocket::kHostNotFoundText);
    int closedPort = 0;
    {
        LoopbackListener gone;
        closedPort = gone.port();
    }
    EXPECT_EQ(socket.connect("127.0.0.1", closedPort, 1000).error().message,
        ServerSocket::kConnectFailedText);

    // A listener whose queue is full drops new connections unanswered: the connect gives up
    // when its time is up instead of after the system's minutes.
    LoopbackListener full("127.0.0.1", 0);
    PosixSocket fillers[2];
    for (PosixSocket& filler : fillers)
        (void)filler.connect("127.0.0.1", full.port(), 100);
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(socket.connect("127.0.0.1", full.port(), 300).error().message,
        ServerSocket::kConnectFailedText);
    EXPECT_LT(std::chrono::steady_clock::now() - start, 3s);
    EXPECT_FALSE(socket.isOpen());
    std::size_t sent = 1;
    EXPECT_FALSE(socket.send("x", sent, 100));
    EXPECT_EQ(sent, 0u);
}

// Far more than the system buffers take at once: the send goes on with the rest each time
// the server has read some, and the server gets every byte once, in order.
TEST(PosixSocket, SendsBigBlocksWholeWhileTheServerReadsSlowly)
{
    LoopbackListener listener;
    PosixSocket socket;
    ASSERT_TRUE(socket.connect("127.0.0.1", listener.port(), 5000));
    const int peer = listener.accept();
    std::string block(8 * 1024 * 1024, '\0');
    for (std::size_t i = 0; i < block.size(); ++i)
        block[i] = static_cast<char>('a' + (i * 7 + i / 4099) % 26);
    std::string received;
    std::thread reader([&] { received = LoopbackListener::readBytes(peer, block.size(), 20000); });
    std::size_t sent = 0;
    EXPECT_TRUE(socket.send(block, sent, 20000));
    reader.join();
    EXPECT_EQ(sent, block.size());
    EXPECT_TRUE(received == block) << received.size() << " bytes received";
    ::close(peer);
}

// A server that stops reading, or has gone: the send says how far it got, and the program
// lives on.
TEST(PosixSocket, ReportsSendsThatCannotFinish)
{
    // As in the program, SIGPIPE is not ignored (whoever started the test may ignore it).
    std::signal(SIGPIPE, SIG_DFL);
    LoopbackListener listener;
    PosixSocket socket;
    ASSERT_TRUE(socket.connect("127.0.0.1", listener.port(), 5000));
    const int peer = listener.accept();
    const std::string block(64 * 1024 * 1024, 'x');
    std::size_t sent = 0;
    EXPECT_FALSE(socket.send(block, sent, 200));
    EXPECT_TRUE(sent > 0 && sent < block.size()) << sent;

    // The first failure is the reset, the later ones are writes to a closed socket.
    ::close(peer);
    int failures = 0;
    for (int i = 0; i < 100 && failures < 3; ++i, std::this_thread::sleep_for(5ms))
        failures += socket.send("x\n", sent, 200) ? 0 : 1;
    EXPECT_EQ(failures, 3);
}
