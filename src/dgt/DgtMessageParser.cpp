#include "dgt/DgtMessageParser.h"

#include <algorithm>
#include <optional>

namespace velmorak {

namespace {

constexpr std::uint8_t kMessageFlag = 0x80;
// A length's high byte is below this; anything else after an id is not a header.
constexpr std::uint8_t kMaxLengthHigh = 63;
constexpr std::size_t kHeaderLength = 3;

// The data length each id must have; none for the texts, which are bounded instead.
std::optional<std::size_t> fixedDataLength(std::uint8_t id)
{
    switch (static_cast<DgtMessageId>(id)) {
    case DgtMessageId::BoardDump:
        return 64;
    case DgtMessageId::ClockTimes:
        return 7;
    case DgtMessageId::FieldUpdate:
        return 2;
    case DgtMessageId::BusAddress:
        return 2;
    case DgtMessageId::SerialNumber:
        return DgtMessageParser::kSerialNumberLength;
    case DgtMessageId::Version:
        return 2;
    case DgtMessageId::EeMoves:
    case DgtMessageId::Trademark:
        return std::nullopt;
    }
    return 0;
}

bool knownId(std::uint8_t id)
{
    switch (static_cast<DgtMessageId>(id)) {
    case DgtMessageId::BoardDump:
    case DgtMessageId::ClockTimes:
    case DgtMessageId::FieldUpdate:
    case DgtMessageId::EeMoves:
    case DgtMessageId::BusAddress:
    case DgtMessageId::SerialNumber:
    case DgtMessageId::Trademark:
    case DgtMessageId::Version:
        return true;
    }
    return false;
}

} // namespace

DgtMessageParser::Result DgtMessageParser::feed(std::uint8_t byte)
{
    // The flag bit never occurs inside a message: it always starts a new one, whatever was
    // half read.
    if (byte & kMessageFlag) {
        m_id = static_cast<std::uint8_t>(byte - kMessageFlag);
        m_state = State::HaveId;
        return Result::Nothing;
    }
    switch (m_state) {
    case State::Waiting:
        return Result::Nothing;
    case State::HaveId:
        if (byte < kMaxLengthHigh) {
            m_lengthHigh = byte;
            m_state = State::HaveLengthHigh;
        } else {
            m_state = State::Waiting;
        }
        return Result::Nothing;
    case State::HaveLengthHigh:
        startData(m_lengthHigh * 128 + byte);
        return m_state == State::Waiting && !m_skipping ? complete() : Result::Nothing;
    case State::InData:
        if (!m_skipping)
            m_data[m_dataIndex] = byte;
        if (++m_dataIndex < m_dataCount)
            return Result::Nothing;
        m_state = State::Waiting;
        return m_skipping ? Result::Nothing : complete();
    }
    return Result::Nothing;
}

void DgtMessageParser::startData(std::size_t length)
{
    m_dataIndex = 0;
    if (length < kHeaderLength) {
        m_state = State::Waiting;
        m_skipping = true;
        return;
    }
    m_dataCount = length - kHeaderLength;
    std::optional<std::size_t> fixed = fixedDataLength(m_id);
    if (!knownId(m_id))
        m_skipping = true;
    else if (fixed)
        m_skipping = m_dataCount != *fixed;
    else
        m_skipping = m_dataCount > kMaxTextLength;
    m_state = m_dataCount == 0 ? State::Waiting : State::InData;
}

DgtMessageParser::Result DgtMessageParser::complete()
{
    switch (static_cast<DgtMessageId>(m_id)) {
    case DgtMessageId::BoardDump:
        return takeBoardDump();
    case DgtMessageId::FieldUpdate:
        return takeFieldUpdate();
    case DgtMessageId::ClockTimes:
        return takeClock();
    case DgtMessageId::BusAddress: {
        int address = m_data[0] * 128 + m_data[1];
        bool changed = address != m_busAddress;
        m_busAddress = address;
        return changed ? Result::BusAddressChanged : Result::Nothing;
    }
    case DgtMessageId::SerialNumber: {
        std::string serial(m_data.begin(), m_data.begin() + kSerialNumberLength);
        bool changed = serial != m_serialNumber;
        m_serialNumber = std::move(serial);
        return changed ? Result::SerialNumberChanged : Result::Nothing;
    }
    case DgtMessageId::Trademark: {
        std::string text(m_data.begin(), m_data.begin() + static_cast<std::ptrdiff_t>(m_dataCount));
        bool changed = !m_trademarkReceived || text != m_trademark;
        m_trademark = std::move(text);
        m_trademarkReceived = true;
        return changed ? Result::TrademarkChanged : Result::Nothing;
    }
    case DgtMessageId::Version: {
        bool changed = m_data[0] != m_versionMajor || m_data[1] != m_versionMinor;
        m_versionMajor = m_data[0];
        m_versionMinor = m_data[1];
        return changed ? Result::VersionChanged : Result::Nothing;
    }
    case DgtMessageId::EeMoves:
        m_eeMoves.assign(m_data.begin(), m_data.begin() + static_cast<std::ptrdiff_t>(m_dataCount));
        return Result::EeMovesReceived;
    }
    return Result::Nothing;
}

DgtMessageParser::Result DgtMessageParser::takeBoardDump()
{
    // The first dump makes the board known, even when it shows what the empty image held.
    bool changed = !m_boardValid;
    for (std::size_t square = 0; square < m_image.size(); ++square) {
        std::uint8_t piece = m_data[square];
        if (piece > kDgtLastPiece || piece == m_image[square])
            continue;
        m_image[square] = piece;
        changed = true;
    }
    m_boardValid = true;
    return changed ? Result::BoardChanged : Result::Nothing;
}

DgtMessageParser::Result DgtMessageParser::takeFieldUpdate()
{
    // An update says how one square differs from a board we must already know.
    std::uint8_t square = m_data[0];
    std::uint8_t piece = m_data[1];
    if (!m_boardValid || square >= m_image.size() || piece > kDgtLastPiece ||
        m_image[square] == piece)
        return Result::Nothing;
    m_image[square] = piece;
    return Result::BoardChanged;
}

DgtMessageParser::Result DgtMessageParser::takeClock()
{
    DgtClockBytes bytes {};
    std::copy_n(m_data.begin(), bytes.size(), bytes.begin());
    if (!dgtClockBytesReadable(bytes))
        return Result::Nothing;
    bool changed = !m_clockReceived || bytes != m_clock;
    m_clock = bytes;
    m_clockReceived = true;
    return changed ? Result::ClockChanged : Result::Nothing;
}

void DgtMessageParser::reset()
{
    *this = DgtMessageParser();
}

} // namespace velmorak
