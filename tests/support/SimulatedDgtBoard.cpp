#include "support/SimulatedDgtBoard.h"

#include <gtest/gtest.h>

namespace velmorak::test {

namespace {

constexpr std::uint8_t kBoardDumpId = 6;
constexpr std::uint8_t kClockId = 13;
constexpr std::uint8_t kFieldUpdateId = 14;
constexpr std::uint8_t kBusAddressId = 16;
constexpr std::uint8_t kSerialNumberId = 17;
constexpr std::uint8_t kTrademarkId = 18;
constexpr std::uint8_t kVersionId = 19;

std::uint8_t bcd(int value)
{
    return static_cast<std::uint8_t>((value / 10) << 4 | value % 10);
}

} // namespace

SimulatedDgtBoard::SimulatedDgtBoard()
{
    m_clock[6] = 0x20;
}

std::string SimulatedDgtBoard::receive(std::string_view hostBytes)
{
    std::string answer;
    if (silent)
        return answer;
    for (char byte : hostBytes) {
        if (byte != 0x40 && byte != 0x4B)
            answer += aheadOfAnswers;
        switch (static_cast<std::uint8_t>(byte)) {
        case 0x40:
            m_updateMode = false;
            break;
        case 0x41:
            answer += clockMessage();
            break;
        case 0x42:
            answer += boardDump(m_image);
            break;
        case 0x45:
            answer += message(kSerialNumberId, serialNumber);
            break;
        case 0x46: {
            char address[] = { static_cast<char>(busAddress / 128),
                static_cast<char>(busAddress % 128) };
            answer += message(kBusAddressId, std::string_view(address, 2));
            break;
        }
        case 0x47:
            answer += message(kTrademarkId, trademark);
            break;
        case 0x4B:
            m_updateMode = true;
            break;
        case 0x4D:
            answer += message(kVersionId, version);
            break;
        default:
            break;
        }
    }
    return answer;
}

std::string SimulatedDgtBoard::takeOutput()
{
    return std::exchange(m_output, {});
}

void SimulatedDgtBoard::setImage(const Image& image)
{
    for (int square = 0; square < 64; ++square)
        setSquare(square, image[static_cast<std::size_t>(square)]);
}

void SimulatedDgtBoard::lift(std::string_view square)
{
    setSquare(squareIndex(square), 0);
}

void SimulatedDgtBoard::put(std::string_view square, std::uint8_t piece)
{
    setSquare(squareIndex(square), piece);
}

void SimulatedDgtBoard::move(std::string_view from, std::string_view to)
{
    std::uint8_t piece = m_image[static_cast<std::size_t>(squareIndex(from))];
    lift(from);
    if (m_image[static_cast<std::size_t>(squareIndex(to))] != 0)
        lift(to);
    put(to, piece);
}

void SimulatedDgtBoard::castle(std::string_view kingFrom, std::string_view kingTo,
    std::string_view rookFrom, std::string_view rookTo)
{
    move(kingFrom, kingTo);
    move(rookFrom, rookTo);
}

void SimulatedDgtBoard::turnAround()
{
    Image turned;
    for (std::size_t square = 0; square < 64; ++square)
        turned[63 - square] = m_image[square];
    setImage(turned);
}

int SimulatedDgtBoard::squareIndex(std::string_view square)
{
    if (square.size() != 2 || square[0] < 'a' || square[0] > 'h' || square[1] < '1' ||
        square[1] > '8') {
        ADD_FAILURE() << "not a square: " << square;
        return 0;
    }
    return ('8' - square[1]) * 8 + (square[0] - 'a');
}

void SimulatedDgtBoard::setClock(int leftSeconds, int rightSeconds, std::uint8_t leftFlags,
    std::uint8_t rightFlags, std::uint8_t status)
{
    auto side = [](int seconds, std::uint8_t flags, std::uint8_t* bytes) {
        bytes[0] = static_cast<std::uint8_t>((seconds / 3600) | flags);
        bytes[1] = bcd(seconds / 60 % 60);
        bytes[2] = bcd(seconds % 60);
    };
    std::array<std::uint8_t, 7> bytes {};
    side(leftSeconds, leftFlags, bytes.data());
    side(rightSeconds, rightFlags, bytes.data() + 3);
    bytes[6] = status;
    setClockBytes(bytes);
}

void SimulatedDgtBoard::setClockBytes(const std::array<std::uint8_t, 7>& bytes)
{
    m_clock = bytes;
    if (m_updateMode)
        m_output += clockMessage();
}

void SimulatedDgtBoard::removeClock()
{
    std::array<std::uint8_t, 7> bytes {};
    bytes[6] = 0x20;
    setClockBytes(bytes);
}

void SimulatedDgtBoard::inject(std::string_view bytes)
{
    m_output += bytes;
}

std::string SimulatedDgtBoard::message(std::uint8_t id, std::string_view data)
{
    std::size_t length = data.size() + 3;
    std::string bytes;
    bytes += static_cast<char>(0x80 | id);
    bytes += static_cast<char>(length / 128);
    bytes += static_cast<char>(length % 128);
    bytes += data;
    return bytes;
}

std::string SimulatedDgtBoard::fieldUpdate(int square, std::uint8_t piece)
{
    char data[] = { static_cast<char>(square), static_cast<char>(piece) };
    return message(kFieldUpdateId, std::string_view(data, 2));
}

std::string SimulatedDgtBoard::boardDump(const Image& image)
{
    return message(
        kBoardDumpId, std::string_view(reinterpret_cast<const char*>(image.data()), image.size()));
}

void SimulatedDgtBoard::setSquare(int square, std::uint8_t piece)
{
    auto index = static_cast<std::size_t>(square);
    if (m_image[index] == piece)
        return;
    m_image[index] = piece;
    if (m_updateMode)
        m_output += fieldUpdate(square, piece);
}

std::string SimulatedDgtBoard::clockMessage() const
{
    return message(
        kClockId, std::string_view(reinterpret_cast<const char*>(m_clock.data()), m_clock.size()));
}

} // namespace velmorak::test
