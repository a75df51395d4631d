#pragma once

#include <cstddef>
#include <optional>
#include <string>

#include "dgt/SerialPort.h"
#include "support/SimulatedDgtBoard.h"

namespace velmorak::test {

// A serial line in memory with a simulated board at its far end. What the host writes goes
// to the board at once; what the board sends waits until read. Reads can hand out one chunk
// of a chosen size per drain (a read after a chunk finds nothing, as a real line between
// two bursts), the board can be unplugged and plugged back, and opens can be made to fail.
class FakeSerialPort final : public SerialPort {
public:
    explicit FakeSerialPort(SimulatedDgtBoard& board)
        : m_board(board)
    {
    }

    std::optional<SerialOpenError> open(std::string_view path) override;
    bool isOpen() const override { return m_open; }
    const std::string& path() const override { return m_path; }
    ReadStatus read(std::string& into, std::size_t maxBytes) override;
    Status write(std::uint8_t byte) override;
    void discardInput() override;
    void close() override;

    // 0: everything waiting is read at once.
    void setChunkSize(std::size_t size) { m_chunkSize = size; }
    // Reads report the device gone and opens fail, until plugged back.
    void unplug();
    void plugBack() { m_plugged = true; }
    // After `skip` good opens, the next `count` opens fail at `step` with `kind`.
    void failOpens(
        SerialSetupStep step, int count = 1, int skip = 0, ErrorKind kind = ErrorKind::Io);

    // Every byte the host wrote, in order, and what waits to be read.
    const std::string& written() const { return m_written; }
    void clearWritten() { m_written.clear(); }
    std::size_t waiting();
    int opens() const { return m_opens; }

private:
    void collect();

    SimulatedDgtBoard& m_board;
    std::string m_path;
    bool m_open = false;
    bool m_plugged = true;
    std::string m_input;
    std::string m_written;
    std::size_t m_chunkSize = 0;
    bool m_chunkGiven = false;
    SerialSetupStep m_failStep = SerialSetupStep::Open;
    ErrorKind m_failKind = ErrorKind::Io;
    int m_failures = 0;
    int m_goodOpensBeforeFailing = 0;
    int m_opens = 0;
};

} // namespace velmorak::test
