#include "platform/PosixSerialPort.h"

#include <chrono>
#include <filesystem>
#include <string>
#include <thread>
#include <tuple>

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

#include "platform/SerialPortPaths.h"
#include "support/FakeClock.h"
#include "support/PtyBoardServer.h"
#include "support/TempFolder.h"

using namespace velmorak;
using velmorak::test::PtyBoardServer;
using Read = SerialPort::ReadStatus;
using namespace std::chrono_literals;
namespace fs = std::filesystem;

namespace {

// The bytes a translating or flow-controlled line would change or eat.
const std::string kAwkwardBytes { '\x0D', '\x11', '\x13', '\x00', '\xFF', '\x0A', '\x7F' };

// Reads until `count` bytes came or the line ends, for at most five seconds.
Read readSoon(PosixSerialPort& port, std::string& into, std::size_t count)
{
    Read status = Read::Nothing;
    for (int i = 0; i < 500 && into.size() < count; ++i) {
        status = port.read(into, 64);
        if (status != Read::Data && status != Read::Nothing)
            break;
        if (status == Read::Nothing)
            std::this_thread::sleep_for(10ms);
    }
    return status;
}

// Our own descriptor on the board's terminal, to see its settings as the system keeps them.
struct Peek {
    explicit Peek(const std::string& device)
        : fd(::open(device.c_str(), O_RDWR | O_NOCTTY | O_CLOEXEC))
    {
    }
    ~Peek() { ::close(fd); }
    termios line() const
    {
        termios line {};
        return ::tcgetattr(fd, &line) == 0 ? line : termios {};
    }
    bool exclusive() const
    {
        int on = 0;
        return ::ioctl(fd, TIOCGEXCL, &on) == 0 && on != 0;
    }
    int fd;
};

} // namespace

TEST(PosixSerialPort, MakesACookedLineRawAndPassesEveryByteBothWays)
{
    PtyBoardServer board([](std::string_view got) { return std::string(got); });
    const Peek peek(board.devicePath());
    // Start from a terminal's usual settings, so that every raw setting is the port's doing.
    termios cooked = peek.line();
    cooked.c_iflag |= ICRNL | IXON | IXOFF;
    cooked.c_oflag |= OPOST | ONLCR;
    cooked.c_lflag |= ICANON | ECHO | ISIG | IEXTEN;
    cooked.c_cflag |= PARENB;
    ::cfsetspeed(&cooked, B38400);
    ASSERT_EQ(::tcsetattr(peek.fd, TCSANOW, &cooked), 0);

    PosixSerialPort port;
    ASSERT_FALSE(port.open(board.path()));
    EXPECT_EQ(port.path(), board.path());
    const termios line = peek.line();
    EXPECT_EQ(::cfgetispeed(&line), B9600);
    EXPECT_EQ(::cfgetospeed(&line), B9600);
    EXPECT_EQ(line.c_cflag & (CSIZE | PARENB | CSTOPB | CLOCAL | CREAD), CS8 | CLOCAL | CREAD);
    EXPECT_EQ(line.c_iflag & (IXON | IXOFF | ICRNL), 0u);
    EXPECT_EQ(line.c_oflag & OPOST, 0u);
    EXPECT_EQ(line.c_lflag & (ICANON | ECHO | ISIG), 0u);
    EXPECT_EQ(line.c_cc[VMIN] + line.c_cc[VTIME], 0);

    for (char byte : kAwkwardBytes)
        ASSERT_TRUE(port.write(static_cast<std::uint8_t>(byte)));
    ASSERT_TRUE(board.waitForReceived(kAwkwardBytes.size()));
    EXPECT_EQ(board.received(), kAwkwardBytes);
    std::string got = "kept";
    EXPECT_EQ(readSoon(port, got, 4 + kAwkwardBytes.size()), Read::Data);
    EXPECT_EQ(got, "kept" + kAwkwardBytes);

    board.setResponder({});
    ASSERT_TRUE(board.send(kAwkwardBytes));
    got.clear();
    readSoon(port, got, kAwkwardBytes.size());
    EXPECT_EQ(got, kAwkwardBytes);
    EXPECT_EQ(port.read(got, 64), Read::Nothing);
}

// As root TIOCEXCL turns nobody away: the lock must, and a turned-away opener must leave the
// holder's exclusivity alone. Closing lifts it, so the line can be opened again at once.
TEST(PosixSerialPort, HoldsTheLineForOneOpenerAtATime)
{
    PtyBoardServer board;
    const Peek peek(board.devicePath());
    PosixSerialPort first;
    PosixSerialPort second;
    ASSERT_FALSE(first.open(board.path()));
    EXPECT_TRUE(peek.exclusive());

    const auto refused = second.open(board.path());
    ASSERT_TRUE(refused);
    EXPECT_EQ(refused->step, SerialSetupStep::Open);
    EXPECT_EQ(refused->error,
        (Error { ErrorKind::Conflict, board.path() + " is in use by another program" }));
    EXPECT_FALSE(second.isOpen());
    EXPECT_TRUE(peek.exclusive());
    ASSERT_TRUE(first.write('x'));
    EXPECT_TRUE(board.waitForReceived(1));

    first.close();
    EXPECT_FALSE(peek.exclusive());
    EXPECT_FALSE(second.open(board.path()));
}

TEST(PosixSerialPort, ClosesWhenTheBoardIsUnplugged)
{
    PtyBoardServer board;
    PosixSerialPort port;
    ASSERT_FALSE(port.open(board.path()));
    board.unplug();
    EXPECT_FALSE(fs::exists(fs::symlink_status(board.path())));
    std::string got;
    EXPECT_EQ(readSoon(port, got, 1), Read::Unplugged);
    EXPECT_FALSE(port.isOpen());
    EXPECT_EQ(port.path(), "");
    EXPECT_EQ(port.read(got, 64), Read::Failed);

    board.plugBack();
    EXPECT_EQ(fs::read_symlink(board.path()), board.devicePath());
    ASSERT_FALSE(port.open(board.path()));
    ASSERT_TRUE(board.send("b"));
    EXPECT_EQ(readSoon(port, got, 1), Read::Data);
    board.unplug();
    const Status written = port.write('x');
    ASSERT_FALSE(written);
    EXPECT_EQ(written.error().kind, ErrorKind::Io);
    EXPECT_FALSE(port.isOpen());
}

// A board that takes nothing makes a write give up soon, the line still open, even on a clock
// that stands still; once the board reads again, so does the line.
TEST(PosixSerialPort, GivesUpSoonOnAWriteTheBoardDoesNotTake)
{
    PtyBoardServer board;
    board.setReading(false);
    velmorak::test::FakeClock clock;
    PosixSerialPort port(clock);
    ASSERT_FALSE(port.open(board.path()));
    Status written;
    std::size_t count = 0;
    constexpr std::size_t kMoreThanATerminalHolds = 1 << 22;
    while (count < kMoreThanATerminalHolds && (written = port.write('x')))
        ++count;
    ASSERT_FALSE(written);
    EXPECT_EQ(written.error().message, board.path() + " takes no more data");
    EXPECT_TRUE(port.isOpen());
    const auto start = std::chrono::steady_clock::now();
    EXPECT_FALSE(port.write('x'));
    EXPECT_LT(std::chrono::steady_clock::now() - start, 2s);

    board.setReading(true);
    EXPECT_TRUE(board.waitForReceived(count));
    EXPECT_TRUE(port.write('y'));
}

// Each failure names its step and tells the user what to do. As root the file system
// refuses nothing, so the refused user is a child that gave up root.
TEST(PosixSerialPort, ReportsTheStepThatFailedAndWhatToDo)
{
    TempFolder folder;
    const std::string missing = folder.file("none");
    const std::string file = folder.file("file");
    TempFolder::write(file, "not a line");
    PosixSerialPort port;
    for (auto [path, step, error] : {
             std::tuple { missing, SerialSetupStep::Open,
                 Error { ErrorKind::NotFound,
                     missing + ": no such device: is the board plugged in?" } },
             std::tuple { file, SerialSetupStep::GetState,
                 Error { ErrorKind::WrongFileType, file + " is not a serial port" } },
         }) {
        const auto failed = port.open(path);
        ASSERT_TRUE(failed) << path;
        EXPECT_EQ(failed->step, step) << path;
        EXPECT_EQ(failed->error, error) << path;
        EXPECT_FALSE(port.isOpen());
        EXPECT_EQ(port.path(), "");
    }

    const Error denied { ErrorKind::PermissionDenied,
        "no permission to open /dev/ttyUSB0: join the dialout group (sudo adduser $USER dialout), "
        "then log out and in again" };
    EXPECT_EQ(serialSetupError(SerialSetupStep::Open, "/dev/ttyUSB0", EACCES), denied);
    EXPECT_EQ(serialSetupError(SerialSetupStep::Open, "/dev/ttyUSB0", EPERM), denied);
    ::chmod(file.c_str(), 0);
    const pid_t child = ::fork();
    ASSERT_NE(child, -1);
    if (child == 0) {
        if (::getuid() == 0 && ::setuid(65534) != 0)
            ::_exit(2);
        const auto failed = PosixSerialPort().open(file);
        ::_exit(failed && failed->error.kind == ErrorKind::PermissionDenied ? 0 : 1);
    }
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
}

TEST(SerialPortPaths, ListsLinksByIdThenDevicesByKindAndNumber)
{
    TempFolder folder;
    const fs::path dev = fs::canonical(folder.path());
    fs::create_directories(dev / "serial" / "by-id");
    for (const char* name : { "ttyUSB10", "ttyUSB2", "ttyUSB1", "rfcomm0", "ttyACM0", "ttyS0",
             "ttyUSB", "ttyUSBx", "console" })
        TempFolder::write((dev / name).string(), "");
    const fs::path byId = dev / "serial" / "by-id";
    fs::create_symlink("../../ttyUSB1", byId / "usb-Board_B-if00-port0");
    fs::create_symlink("../../ttyACM0", byId / "usb-Board_A-if00");
    fs::create_symlink("../../ttyUSB9", byId / "usb-Gone-if00");

    const auto at = [&](const char* name) { return (dev / name).string(); };
    const std::vector<SerialPortCandidate> expected {
        { (byId / "usb-Board_A-if00").string(), at("ttyACM0") },
        { (byId / "usb-Board_B-if00-port0").string(), at("ttyUSB1") },
        { at("ttyUSB1"), at("ttyUSB1") },
        { at("ttyUSB2"), at("ttyUSB2") },
        { at("ttyUSB10"), at("ttyUSB10") },
        { at("ttyACM0"), at("ttyACM0") },
        { at("rfcomm0"), at("rfcomm0") },
    };
    EXPECT_EQ(listSerialPortCandidates(dev.string()), expected);
    EXPECT_TRUE(listSerialPortCandidates((dev / "none").string()).empty());
}
