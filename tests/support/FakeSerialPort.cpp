#include "support/FakeSerialPort.h"

#include <algorithm>

namespace velmorak::test {

std::optional<SerialOpenError> FakeSerialPort::open(std::string_view path)
{
    close();
    ++m_opens;
    if (!m_plugged)
        return SerialOpenError { SerialSetupStep::Open,
            Error { ErrorKind::NotFound,
                "cannot open " + std::string(path) + ": No such file or directory" } };
    if (m_failures > 0 && m_goodOpensBeforeFailing-- <= 0) {
        --m_failures;
        return SerialOpenError { m_failStep,
            Error { m_failKind, "cannot set up " + std::string(path) + ": step failed" } };
    }
    m_open = true;
    m_path = std::string(path);
    discardInput();
    return std::nullopt;
}

SerialPort::ReadStatus FakeSerialPort::read(std::string& into, std::size_t maxBytes)
{
    if (!m_open)
        return ReadStatus::Failed;
    if (!m_plugged) {
        close();
        return ReadStatus::Unplugged;
    }
    collect();
    if (m_input.empty() || (m_chunkSize != 0 && m_chunkGiven)) {
        m_chunkGiven = false;
        return ReadStatus::Nothing;
    }
    std::size_t count = std::min(m_input.size(), maxBytes);
    if (m_chunkSize != 0) {
        count = std::min(count, m_chunkSize);
        m_chunkGiven = true;
    }
    into.append(m_input, 0, count);
    m_input.erase(0, count);
    return ReadStatus::Data;
}

Status FakeSerialPort::write(std::uint8_t byte)
{
    if (!m_open || !m_plugged) {
        close();
        return Error { ErrorKind::Io, "write to " + m_path + ": Input/output error" };
    }
    m_written += static_cast<char>(byte);
    m_input += m_board.receive(std::string(1, static_cast<char>(byte)));
    return {};
}

void FakeSerialPort::discardInput()
{
    collect();
    m_input.clear();
}

void FakeSerialPort::close()
{
    m_open = false;
    m_path.clear();
}

void FakeSerialPort::unplug()
{
    m_plugged = false;
}

void FakeSerialPort::failOpens(SerialSetupStep step, int count, int skip, ErrorKind kind)
{
    m_failKind = kind;
    m_goodOpensBeforeFailing = skip;
    m_failStep = step;
    m_failures = count;
}

std::size_t FakeSerialPort::waiting()
{
    collect();
    return m_input.size();
}

void FakeSerialPort::collect()
{
    // A closed line hears nothing: what the board sends meanwhile is lost.
    std::string output = m_board.takeOutput();
    if (m_open)
        m_input += output;
}

} // namespace velmorak::test
