#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "base/Error.h"

namespace velmorak {

// The steps of opening a board's serial line, in order; a failed one is reported by its
// number (1 to 4), as the board's users and their logs have always seen it.
enum class SerialSetupStep {
    Open = 1, // the device could not be opened (missing, busy, no permission)
    GetState = 2, // its line settings could not be read (not a serial device)
    SetState = 3, // 9600 baud, 8 data bits, no parity, one stop bit could not be set
    SetTimeouts = 4, // reads that return at once could not be set, or the flush failed
};

struct SerialOpenError {
    SerialSetupStep step = SerialSetupStep::Open;
    // What the user is told: the path and the system's reason, and what to do about it
    // (the group that grants access, the program that holds the port).
    Error error;
};

// One serial line to an electronic board, raw 9600 8N1 with no flow control and no
// translation of any byte, reads that never wait. Used from one thread.
class SerialPort {
public:
    enum class ReadStatus {
        Data, // bytes were appended
        Nothing, // nothing is waiting
        Unplugged, // the device went away (hang-up, EIO, ENXIO, ENODEV); the port is closed
        Failed, // any other read error, or no port is open
    };

    virtual ~SerialPort() = default;

    // Closes any open line, then opens `path` (a device, or any link to one such as
    // /dev/serial/by-id/...) exclusively: a second opener gets "in use". Input and output
    // waiting from before are discarded.
    virtual std::optional<SerialOpenError> open(std::string_view path) = 0;
    virtual bool isOpen() const = 0;
    // The path the open line was opened by; empty when none is open.
    virtual const std::string& path() const = 0;

    // Appends at most `maxBytes` waiting bytes to `into`, without waiting for any.
    virtual ReadStatus read(std::string& into, std::size_t maxBytes) = 0;
    // Writes one byte; Io when the line is gone (the port is then closed).
    virtual Status write(std::uint8_t byte) = 0;
    // Drops whatever was received and not read yet.
    virtual void discardInput() = 0;

    // Releases the line; nothing happens when none is open.
    virtual void close() = 0;
};

} // namespace velmorak
