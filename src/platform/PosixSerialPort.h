#pragma once

#include <string>
#include <string_view>

#include "base/Clock.h"
#include "dgt/SerialPort.h"

namespace velmorak {

// A board's serial line on a Linux tty through termios: raw 9600 8N1, no flow control, no
// translation, opened non-blocking and kept so. The line is held exclusively twice over:
// TIOCEXCL turns away other openers that are not root, and an flock() turns away the
// programs (and root) that ask for the lock as this one does. Neither SIGPIPE nor SIGHUP
// can come of the line: it is never the controlling terminal, and writes to a gone tty fail
// with an error instead. Used from one thread.
class PosixSerialPort final : public SerialPort {
public:
    // A write waits at most this long for room in the line's output queue.
    static constexpr int kWriteWaitMs = 100;

    explicit PosixSerialPort(Clock& clock = systemClock())
        : m_clock(clock)
    {
    }
    ~PosixSerialPort() override;
    PosixSerialPort(const PosixSerialPort&) = delete;
    PosixSerialPort& operator=(const PosixSerialPort&) = delete;

    std::optional<SerialOpenError> open(std::string_view path) override;
    bool isOpen() const override { return m_fd != -1; }
    const std::string& path() const override { return m_path; }
    ReadStatus read(std::string& into, std::size_t maxBytes) override;
    Status write(std::uint8_t byte) override;
    void discardInput() override;
    void close() override;

private:
    // Waits until the line takes output or `deadline` (in ticks) passes; false also when the
    // line hung up meanwhile.
    bool waitForRoom(std::int64_t deadline) const;

    Clock& m_clock;
    int m_fd = -1;
    bool m_exclusive = false; // TIOCEXCL is ours to undo
    std::string m_path;
};

// What the user is told when setting up `path` failed at `step` with errno `error`: the
// kind the caller acts on, and a short text for a message box that says what to do
// (join the dialout group, close the other program, plug the board in).
Error serialSetupError(SerialSetupStep step, std::string_view path, int error);

} // namespace velmorak
