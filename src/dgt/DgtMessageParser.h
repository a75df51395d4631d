#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>

#include "dgt/DgtClockText.h"
#include "dgt/DgtEvent.h"

namespace velmorak {

// The messages a board sends, by id (the first byte less 128).
enum class DgtMessageId : std::uint8_t {
    BoardDump = 6,
    ClockTimes = 13,
    FieldUpdate = 14,
    EeMoves = 15,
    BusAddress = 16,
    SerialNumber = 17,
    Trademark = 18,
    Version = 19,
};

// Reads the board's byte stream one byte at a time and keeps the last value of every message
// it understood. A message is taken only whole and only with the length its id has: a short
// one (cut by the next message's first byte), one of another length or one of an unknown id
// is read past and leaves every kept value as it was. Bytes outside a message are ignored.
class DgtMessageParser {
public:
    // What a completed message changed.
    enum class Result {
        Nothing,
        BoardChanged,
        ClockChanged,
        BusAddressChanged,
        VersionChanged,
        TrademarkChanged,
        SerialNumberChanged,
        EeMovesReceived,
    };

    // Trademark texts and EE-move lists longer than this are skipped.
    static constexpr std::size_t kMaxTextLength = 1024;
    static constexpr std::size_t kSerialNumberLength = 5;

    Result feed(std::uint8_t byte);
    // A message has begun and is not complete yet.
    bool midMessage() const { return m_state != State::Waiting; }
    // Forgets a half-read message.
    void abandonMessage() { m_state = State::Waiting; }
    // Forgets every kept value and any half-read message.
    void reset();

    // The board as last sent, in the board's own orientation. Valid once a whole dump has
    // come: field updates before that are ignored, and piece codes above 12 leave their
    // square as it was.
    const DgtBoardImage& image() const { return m_image; }
    bool boardValid() const { return m_boardValid; }
    const DgtClockBytes& clockBytes() const { return m_clock; }
    int busAddress() const { return m_busAddress; }
    const std::string& serialNumber() const { return m_serialNumber; }
    const std::string& trademark() const { return m_trademark; }
    int versionMajor() const { return m_versionMajor; }
    int versionMinor() const { return m_versionMinor; }
    const std::string& eeMoves() const { return m_eeMoves; }

private:
    enum class State { Waiting, HaveId, HaveLengthHigh, InData };

    void startData(std::size_t length);
    Result complete();
    Result takeBoardDump();
    Result takeFieldUpdate();
    Result takeClock();

    State m_state = State::Waiting;
    std::uint8_t m_id = 0;
    std::size_t m_lengthHigh = 0;
    std::size_t m_dataCount = 0;
    std::size_t m_dataIndex = 0;
    // Read past without storing: wrong length or unknown id.
    bool m_skipping = false;
    std::array<std::uint8_t, kMaxTextLength> m_data {};

    DgtBoardImage m_image {};
    bool m_boardValid = false;
    DgtClockBytes m_clock {};
    bool m_clockReceived = false;
    int m_busAddress = -1;
    std::string m_serialNumber;
    std::string m_trademark;
    bool m_trademarkReceived = false;
    int m_versionMajor = -1;
    int m_versionMinor = -1;
    std::string m_eeMoves;
};

} // namespace velmorak
