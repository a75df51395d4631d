#include "platform/PosixSerialPort.h"

#include <algorithm>
#include <cerrno>
#include <cstring>

#include <fcntl.h>
#include <poll.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

namespace velmorak {

namespace {

// The errors by which a tty tells that its device went away (unplugged, a pty whose other
// side closed, a Bluetooth link dropped).
bool isGone(int error)
{
    return error == EIO || error == ENXIO || error == ENODEV;
}

// Raw 8N1 at 9600 baud with reads that return at once. Every input and output translation
// is off: the board's protocol uses 0x0D, 0x11, 0x13, 0x00 and 0xFF as plain bytes, and an
// XON/XOFF, CR/LF or break handling would eat or change them.
void makeRaw(termios& line)
{
    line.c_iflag &= ~static_cast<tcflag_t>(IGNBRK | BRKINT | PARMRK | ISTRIP | INLCR | IGNCR |
        ICRNL | IXON | IXOFF | IXANY | INPCK | IMAXBEL);
    line.c_oflag &= ~static_cast<tcflag_t>(OPOST);
    line.c_lflag &= ~static_cast<tcflag_t>(ECHO | ECHONL | ICANON | ISIG | IEXTEN);
    line.c_cflag &= ~static_cast<tcflag_t>(CSIZE | PARENB | CSTOPB | CRTSCTS);
    line.c_cflag |= CS8 | CLOCAL | CREAD;
    line.c_cc[VMIN] = 0;
    line.c_cc[VTIME] = 0;
}

std::string withReason(std::string text, int error)
{
    text += ": ";
    text += std::strerror(error);
    return text;
}

} // namespace

Error serialSetupError(SerialSetupStep step, std::string_view pathText, int error)
{
    const std::string path(pathText);
    switch (error) {
    case EACCES:
    case EPERM:
        return { ErrorKind::PermissionDenied,
            "no permission to open " + path +
                ": join the dialout group (sudo adduser $USER dialout), then log out and in "
                "again" };
    case EBUSY:
        return { ErrorKind::Conflict, path + " is in use by another program" };
    case ENOENT:
    case ENODEV:
    case ENXIO:
        return { ErrorKind::NotFound, path + ": no such device: is the board plugged in?" };
    default:
        break;
    }
    switch (step) {
    case SerialSetupStep::Open:
        return { ErrorKind::Io, withReason("cannot open " + path, error) };
    case SerialSetupStep::GetState:
        if (error == ENOTTY)
            return { ErrorKind::WrongFileType, path + " is not a serial port" };
        return { ErrorKind::Io, withReason("cannot read the line settings of " + path, error) };
    case SerialSetupStep::SetState:
        // EINVAL: the device has no such speed or framing.
        return { error == EINVAL ? ErrorKind::Unsupported : ErrorKind::Io,
            withReason("cannot set 9600 baud 8N1 on " + path, error) };
    case SerialSetupStep::SetTimeouts:
        break;
    }
    return { ErrorKind::Io, withReason("cannot flush " + path, error) };
}

PosixSerialPort::~PosixSerialPort()
{
    close();
}

std::optional<SerialOpenError> PosixSerialPort::open(std::string_view pathText)
{
    close();
    const std::string path(pathText);
    int fd;
    do
        fd = ::open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    while (fd == -1 && errno == EINTR);
    if (fd == -1)
        return SerialOpenError { SerialSetupStep::Open,
            serialSetupError(SerialSetupStep::Open, path, errno) };
    m_fd = fd;
    m_path = path;

    const auto fail = [&](SerialSetupStep step, int error) {
        close();
        return SerialOpenError { step, serialSetupError(step, path, error) };
    };
    // Root passes TIOCEXCL by; the lock is what keeps two of our own (or any program that
    // locks as we do) off one line whoever runs them.
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0)
        return fail(SerialSetupStep::Open, errno == EWOULDBLOCK ? EBUSY : errno);

    termios line {};
    if (::tcgetattr(fd, &line) != 0)
        return fail(SerialSetupStep::GetState, errno);
    // Only after the lock: a second opener turned away must not lift the first one's TIOCEXCL.
    m_exclusive = ::ioctl(fd, TIOCEXCL) == 0;

    makeRaw(line);
    if (::cfsetispeed(&line, B9600) != 0 || ::cfsetospeed(&line, B9600) != 0)
        return fail(SerialSetupStep::SetState, errno);
    if (::tcsetattr(fd, TCSANOW, &line) != 0)
        return fail(SerialSetupStep::SetState, errno);
    // tcsetattr succeeds when any part of the settings took: check the ones the board needs.
    termios set {};
    if (::tcgetattr(fd, &set) != 0)
        return fail(SerialSetupStep::SetState, errno);
    if (::cfgetispeed(&set) != B9600 || ::cfgetospeed(&set) != B9600 ||
        (set.c_cflag & CSIZE) != CS8 || (set.c_cflag & PARENB) != 0)
        return fail(SerialSetupStep::SetState, EINVAL);

    if (::tcflush(fd, TCIOFLUSH) != 0)
        return fail(SerialSetupStep::SetTimeouts, errno);
    return std::nullopt;
}

SerialPort::ReadStatus PosixSerialPort::read(std::string& into, std::size_t maxBytes)
{
    if (m_fd == -1)
        return ReadStatus::Failed;
    if (maxBytes == 0)
        return ReadStatus::Nothing;
    const std::size_t before = into.size();
    into.resize(before + maxBytes);
    ssize_t result;
    do
        result = ::read(m_fd, into.data() + before, maxBytes);
    while (result < 0 && errno == EINTR);
    const int error = errno;
    into.resize(before + (result > 0 ? static_cast<std::size_t>(result) : 0));
    if (result > 0)
        return ReadStatus::Data;
    // With VMIN and VTIME 0 a live tty with nothing waiting reads as end of file, as a
    // hung-up one does: only poll tells them apart.
    bool gone = isGone(error) && result < 0;
    if (result == 0 || error == EAGAIN || error == EWOULDBLOCK) {
        pollfd entry { m_fd, 0, 0 };
        gone = ::poll(&entry, 1, 0) > 0 && (entry.revents & (POLLHUP | POLLERR | POLLNVAL));
        if (!gone)
            return ReadStatus::Nothing;
    }
    if (!gone)
        return ReadStatus::Failed;
    close();
    return ReadStatus::Unplugged;
}

bool PosixSerialPort::waitForRoom(std::int64_t deadline) const
{
    for (;;) {
        const std::int64_t remaining = deadline - m_clock.ticks();
        if (remaining <= 0)
            return false;
        pollfd entry { m_fd, POLLOUT, 0 };
        const int ready = ::poll(&entry, 1, static_cast<int>(remaining));
        if (ready > 0)
            return (entry.revents & (POLLHUP | POLLERR | POLLNVAL)) == 0;
        // The poll's own time-out ends the wait, even on a clock that stands still.
        if (ready == 0 || errno != EINTR)
            return false;
    }
}

Status PosixSerialPort::write(std::uint8_t byte)
{
    if (m_fd == -1)
        return Error { ErrorKind::Io, "the board's serial line is not open" };
    const std::int64_t deadline = m_clock.ticks() + kWriteWaitMs;
    for (;;) {
        const ssize_t result = ::write(m_fd, &byte, 1);
        if (result == 1)
            return {};
        const int error = result < 0 ? errno : EIO;
        if (error == EINTR)
            continue;
        if (error == EAGAIN || error == EWOULDBLOCK) {
            if (waitForRoom(deadline))
                continue;
            // Either the line hung up while we waited, or the board takes nothing: a write
            // on a hung-up tty tells which.
            pollfd entry { m_fd, 0, 0 };
            if (::poll(&entry, 1, 0) > 0 && (entry.revents & (POLLHUP | POLLERR | POLLNVAL)))
                break;
            return Error { ErrorKind::Io, m_path + " takes no more data" };
        }
        if (isGone(error) || error == EPIPE)
            break;
        return Error { ErrorKind::Io, withReason("cannot write to " + m_path, error) };
    }
    Error gone { ErrorKind::Io, m_path + ": the board went away" };
    close();
    return gone;
}

void PosixSerialPort::discardInput()
{
    if (m_fd != -1)
        ::tcflush(m_fd, TCIFLUSH);
}

void PosixSerialPort::close()
{
    if (m_fd == -1)
        return;
    // TIOCEXCL outlives our descriptor on some drivers: lift it, or the board's next open
    // (ours, after the probe) would find the line busy.
    if (m_exclusive)
        ::ioctl(m_fd, TIOCNXCL);
    ::flock(m_fd, LOCK_UN);
    ::close(m_fd);
    m_fd = -1;
    m_exclusive = false;
    m_path.clear();
}

} // namespace velmorak
