#include "dgt/DgtDriver.h"

#include <algorithm>
#include <array>

namespace velmorak {

namespace {

constexpr std::uint8_t kCommandReset = 0x40;
constexpr std::uint8_t kCommandSendClock = 0x41;
constexpr std::uint8_t kCommandSendBoard = 0x42;
constexpr std::uint8_t kCommandSendSerialNumber = 0x45;
constexpr std::uint8_t kCommandSendBusAddress = 0x46;
constexpr std::uint8_t kCommandSendTrademark = 0x47;
constexpr std::uint8_t kCommandSendUpdates = 0x4B;
constexpr std::uint8_t kCommandSendVersion = 0x4D;

// The board answers the version request well within this.
constexpr int kProbeWaitMs = 100;
// The board needs this between two command bytes.
constexpr int kCommandGapMs = 3;
// At most this much is read while probing; a version answer comes early in it.
constexpr std::size_t kMaxProbeBytes = 4096;
constexpr std::size_t kReadBlock = 256;
// Without a byte for this long the board is taken to be silent: the start-up requests are
// made again (a board switched off and on has forgotten its update mode).
constexpr std::int64_t kRestartSilenceMs = 3000;
// Without a byte for this long a half-read message will never be finished.
constexpr std::int64_t kGiveUpSilenceMs = 5000;
// Updates that follow each other closer than this belong to one gesture.
constexpr std::int64_t kSettleMs = 500;
// The start-up requests wait this many polls after the last step, so that answers come in.
constexpr int kPollsBeforeRestart = 15;
constexpr int kMaxPollCounter = 100;

constexpr std::string_view kPortIsOpenText = "ERROR (ComInit: PortIsOpen)";
constexpr std::array<std::string_view, 5> kComInitTexts = {
    "",
    "ERROR (ComInit: COMINITERROR)",
    "ERROR (ComInit: COMGETCOMMSTATEERROR)",
    "ERROR (ComInit: COMSETCOMMSTATEERROR)",
    "ERROR (ComInit: COMSETCOMMTOERROR)",
};

int firstStartupState(int mode)
{
    switch (mode) {
    case 0:
        return 0;
    case 1:
        return 1;
    case 2:
    case 4:
    case 6:
    case 8:
        return 8;
    default:
        return 9;
    }
}

} // namespace

DgtDriver::DgtDriver(SerialPort& port, Clock& clock)
    : m_port(port)
    , m_clock(clock)
{
}

bool DgtDriver::probePort(std::string_view path)
{
    // Probing opens the line anew, which would cut the one in use.
    if (m_open)
        return false;
    m_probeOpenError.reset();
    if (std::optional<SerialOpenError> failure = m_port.open(path)) {
        m_probeOpenError = std::move(failure->error);
        return false;
    }
    // What a board left sending updates had queued would hide the answer's place.
    m_port.discardInput();
    if (!m_port.write(kCommandSendVersion)) {
        m_port.close();
        return false;
    }
    m_clock.sleep(kProbeWaitMs);
    std::string bytes;
    while (bytes.size() < kMaxProbeBytes) {
        if (m_port.read(bytes, kMaxProbeBytes - bytes.size()) != SerialPort::ReadStatus::Data)
            break;
    }
    m_port.close();
    // The version message: its id with the flag bit, then a length whose high byte is 0. A
    // flagged byte never occurs inside a message, so this cannot be matched by chance.
    if (bytes.find(std::string_view("\x93\x00", 2)) == std::string::npos)
        return false;
    DgtMessageParser reader;
    for (char byte : bytes)
        reader.feed(static_cast<std::uint8_t>(byte));
    m_probedMajor = reader.versionMajor();
    m_probedMinor = reader.versionMinor();
    return true;
}

int DgtDriver::comInit(std::string_view path, int mode)
{
    return openLine(path, mode, true);
}

int DgtDriver::openLine(std::string_view path, int mode, bool report)
{
    if (m_open) {
        if (report) {
            notify(DgtNotice::Kind::PortError, std::string(kPortIsOpenText));
            raise(DgtEventCode::Message);
        }
        return 0;
    }
    if (std::optional<SerialOpenError> failure = m_port.open(path)) {
        m_port.close();
        int code = std::clamp(static_cast<int>(failure->step), 1, 4);
        if (report) {
            notify(DgtNotice::Kind::PortError,
                std::string(kComInitTexts[static_cast<std::size_t>(code)]) + "\n" +
                    failure->error.message);
            raise(DgtEventCode::Message);
        }
        return code;
    }
    m_open = true;
    m_unplugged = false;
    m_path = std::string(path);
    m_startupState = firstStartupState(mode);
    m_startedInStateZero = m_startupState == 0;
    resetKeptValues();
    return 0;
}

void DgtDriver::resetKeptValues()
{
    m_ring.clear();
    m_parser.reset();
    m_recognizer.reset();
    m_clockText.reset();
    m_pollCounter = 0;
    m_lastStartupTick = m_clock.ticks();
    m_lastByteTick = m_lastStartupTick;
    m_silenceReported = false;
    m_boardChangePending = false;
}

Status DgtDriver::connectBoard(std::string_view path)
{
    if (m_open) {
        comInit(path, 8);
        return {};
    }
    if (!probePort(path)) {
        // The line's own reason (the group that grants access, the program that holds it)
        // tells the user what to do; an unanswered probe has none.
        if (m_probeOpenError)
            return Error { m_probeOpenError->kind,
                std::string(kNotConnectedText) + "\n" + m_probeOpenError->message };
        return Error { ErrorKind::NotFound, std::string(kNotConnectedText) };
    }
    if (comInit(path, 8) != 0) {
        std::string text(kNotConnectedText);
        if (!m_notices.empty())
            text += "\n" + m_notices.back().text;
        return Error { ErrorKind::Io, std::move(text) };
    }
    return {};
}

void DgtDriver::disconnectBoard()
{
    m_port.close();
    m_open = false;
    m_unplugged = false;
}

bool DgtDriver::isConnected() const
{
    return m_open || m_unplugged;
}

bool DgtDriver::isOpen() const
{
    return m_open;
}

void DgtDriver::pollBoard()
{
    if (m_unplugged) {
        tryReconnect();
        return;
    }
    if (!m_open || !moveWaitingBytes())
        return;
    for (;;) {
        ParseOutcome outcome = parseNext();
        if (outcome == ParseOutcome::Idle || outcome == ParseOutcome::BoardChanged)
            break;
        if (outcome == ParseOutcome::HalfRead) {
            // A message begun and never finished: wait for its rest while the board is still
            // talking; after a long silence it will never come, and the start-up requests
            // have to run again, which they cannot while it is half read (nor can the poll
            // counter they wait for move on).
            if (silentFor(kGiveUpSilenceMs)) {
                m_parser.abandonMessage();
                break;
            }
            return;
        }
    }
    runStartup();
}

bool DgtDriver::moveWaitingBytes()
{
    // Bounded, so that a line that never stops sending cannot hold the interface thread.
    for (std::size_t reads = 0; reads <= DgtReceiveRing::kCapacity / kReadBlock + 1; ++reads) {
        std::string bytes;
        SerialPort::ReadStatus status = m_port.read(bytes, kReadBlock);
        if (status == SerialPort::ReadStatus::Unplugged ||
            (status == SerialPort::ReadStatus::Failed && !m_port.isOpen())) {
            lineLost();
            return false;
        }
        if (status != SerialPort::ReadStatus::Data)
            break;
        for (char byte : bytes) {
            if (!m_ring.push(static_cast<std::uint8_t>(byte))) {
                recoverFromOverflow();
                return m_open;
            }
        }
    }
    return true;
}

void DgtDriver::recoverFromOverflow()
{
    // What is waiting has a hole in it: drop it all and ask for the whole board, which tells
    // everything the lost updates did.
    m_ring.clear();
    m_parser.abandonMessage();
    m_port.discardInput();
    notify(DgtNotice::Kind::Overflow,
        "More came from the DGT board on " + m_path +
            " than could be read; the board was asked for its position again.");
    if (!m_port.write(kCommandSendBoard))
        lineLost();
}

DgtDriver::ParseOutcome DgtDriver::parseNext()
{
    std::int64_t now = m_clock.ticks();
    while (std::optional<std::uint8_t> byte = m_ring.pop()) {
        m_lastByteTick = now;
        m_silenceReported = false;
        switch (m_parser.feed(*byte)) {
        case DgtMessageParser::Result::Nothing:
            continue;
        case DgtMessageParser::Result::BoardChanged:
            m_boardChangePending = true;
            m_boardChangeTick = now;
            takeBoardChange();
            return ParseOutcome::BoardChanged;
        case DgtMessageParser::Result::ClockChanged:
            takeClockChange();
            return ParseOutcome::Other;
        default:
            // Version, trademark, serial number and bus address are kept by the parser.
            return ParseOutcome::Other;
        }
    }
    if (!m_startedInStateZero && !m_silenceReported && silentFor(kGiveUpSilenceMs)) {
        m_silenceReported = true;
        return ParseOutcome::Silence;
    }
    if (m_boardChangePending && now - m_boardChangeTick > kSettleMs) {
        m_boardChangePending = false;
        return ParseOutcome::Other;
    }
    return m_parser.midMessage() ? ParseOutcome::HalfRead : ParseOutcome::Idle;
}

void DgtDriver::takeBoardChange()
{
    DgtBoardRecognizer::Codes codes = m_recognizer.boardChanged(m_parser.image());
    if (codes.recognition)
        raise(*codes.recognition);
    if (codes.kingTracker)
        raise(*codes.kingTracker);
    raise(DgtEventCode::BoardPositionChanged);
}

void DgtDriver::takeClockChange()
{
    for (DgtEventCode code : m_clockText.update(m_parser.clockBytes(), m_recognizer.rotated()))
        raise(code);
}

void DgtDriver::runStartup()
{
    std::int64_t now = m_clock.ticks();
    // Before the board was first identified, the time counts from the line's opening; after,
    // from the board's last byte.
    bool waiting = m_startupState == 8 || m_startupState == 9;
    std::int64_t since =
        waiting ? now - m_lastStartupTick : now - std::max(m_lastStartupTick, m_lastByteTick);
    if (since > kRestartSilenceMs && m_pollCounter > kPollsBeforeRestart) {
        m_pollCounter = 0;
        m_lastStartupTick = now;
        switch (m_startupState) {
        case 0:
            if (!sendDgtCommand(kCommandSendVersion))
                return;
            break;
        case 8:
        case 9:
        case 11:
            m_startupState = 13;
            break;
        case 10:
            m_startupState = 12;
            break;
        default:
            break;
        }
    }

    auto send = [this](std::initializer_list<std::uint8_t> commands) {
        for (std::uint8_t command : commands) {
            if (!sendDgtCommand(command))
                return false;
        }
        return true;
    };
    switch (m_startupState) {
    case 1:
        if (!send({ kCommandReset }))
            return;
        m_startupState = 0;
        break;
    case 12:
        if (m_pollCounter == 5 && !send({ kCommandSendClock }))
            return;
        if (m_pollCounter == 9) {
            if (!send({ kCommandSendUpdates, kCommandSendBoard }))
                return;
            m_startupState = 10;
        }
        break;
    case 13:
        if (m_pollCounter == 5 && !send({ kCommandSendTrademark, kCommandSendSerialNumber }))
            return;
        if (m_pollCounter == 9 && !send({ kCommandSendBusAddress, kCommandSendClock }))
            return;
        if (m_pollCounter == 13) {
            if (!send({ kCommandSendUpdates, kCommandSendBoard }))
                return;
            m_startupState = 11;
        }
        break;
    default:
        break;
    }
    m_pollCounter = std::min(m_pollCounter + 1, kMaxPollCounter);
}

bool DgtDriver::sendDgtCommand(std::uint8_t command)
{
    // Only the bytes are moved here, never parsed: a board change parsed in the middle of a
    // start-up step would be judged out of its order.
    if (!moveWaitingBytes())
        return false;
    if (!m_port.write(command)) {
        lineLost();
        return false;
    }
    m_clock.sleep(kCommandGapMs);
    return moveWaitingBytes();
}

void DgtDriver::lineLost()
{
    if (!m_open)
        return;
    m_port.close();
    m_open = false;
    m_unplugged = true;
    m_lastReconnectTick = m_clock.ticks();
    notify(DgtNotice::Kind::Unplugged,
        "The DGT board on " + m_path + " was disconnected; looking for it again.");
}

void DgtDriver::tryReconnect()
{
    std::int64_t now = m_clock.ticks();
    if (now - m_lastReconnectTick < kReconnectMs)
        return;
    m_lastReconnectTick = now;
    // A device that has just appeared may still be held by a modem manager probing it: a
    // failed open is simply tried again at the next interval.
    if (!probePort(m_path) || openLine(m_path, 8, false) != 0)
        return;
    notify(DgtNotice::Kind::Reconnected, "The DGT board on " + m_path + " answers again.");
}

void DgtDriver::raise(DgtEventCode code)
{
    m_events.push_back(DgtEvent { code, m_recognizer.board() });
}

void DgtDriver::notify(DgtNotice::Kind kind, std::string text)
{
    m_notices.push_back(DgtNotice { kind, std::move(text) });
}

bool DgtDriver::silentFor(std::int64_t ms) const
{
    return m_clock.ticks() - std::max(m_lastStartupTick, m_lastByteTick) > ms;
}

std::vector<DgtEvent> DgtDriver::takeEvents()
{
    return std::exchange(m_events, {});
}

std::vector<DgtNotice> DgtDriver::takeNotices()
{
    return std::exchange(m_notices, {});
}

bool DgtDriver::boardValid() const
{
    return m_parser.boardValid();
}

const DgtBoardImage& DgtDriver::board() const
{
    return m_recognizer.board();
}

bool DgtDriver::rotated() const
{
    return m_recognizer.rotated();
}

void DgtDriver::turnBoard()
{
    m_recognizer.turn();
}

const std::string& DgtDriver::whiteClockText() const
{
    return m_clockText.whiteText();
}

const std::string& DgtDriver::blackClockText() const
{
    return m_clockText.blackText();
}

bool DgtDriver::clockAttached() const
{
    return !m_clockText.whiteText().empty() && m_clockText.attached();
}

void DgtDriver::requestClock()
{
    if (m_open)
        sendDgtCommand(kCommandSendClock);
}

int DgtDriver::versionMajor() const
{
    return m_parser.versionMajor() >= 0 ? m_parser.versionMajor() : m_probedMajor;
}

int DgtDriver::versionMinor() const
{
    return m_parser.versionMajor() >= 0 ? m_parser.versionMinor() : m_probedMinor;
}

const std::string& DgtDriver::serialNumber() const
{
    return m_parser.serialNumber();
}

const std::string& DgtDriver::trademark() const
{
    return m_parser.trademark();
}

int DgtDriver::busAddress() const
{
    return m_parser.busAddress();
}

} // namespace velmorak
