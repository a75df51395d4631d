#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

namespace velmorak::test {

// A DGT board with a clock on it, as it behaves on its serial line: it answers the command
// bytes the driver sends and, once asked for updates, reports every square that changes
// and every new clock reading. No transport: bytes in, bytes out.
class SimulatedDgtBoard {
public:
    using Image = std::array<std::uint8_t, 64>;

    SimulatedDgtBoard();

    // Takes the bytes the host wrote; returns the board's answers to them.
    std::string receive(std::string_view hostBytes);
    // What the board sent on its own (updates, injected bytes) since the last take.
    std::string takeOutput();

    // The board as it stands, in its own order (index 0 is the square nearest the left of
    // the far edge). Setting it reports each changed square in update mode.
    const Image& image() const { return m_image; }
    void setImage(const Image& image);
    bool updateMode() const { return m_updateMode; }

    // Gestures, squares named as seen from the board's own orientation ("e2").
    void lift(std::string_view square);
    void put(std::string_view square, std::uint8_t piece);
    // A human's move: lift the piece, lift what it takes, put it down.
    void move(std::string_view from, std::string_view to);
    // King first, then the rook: "e1" "g1" "h1" "f1".
    void castle(std::string_view kingFrom, std::string_view kingTo, std::string_view rookFrom,
        std::string_view rookTo);
    // Turns the set-up by 180 degrees, square by square.
    void turnAround();
    static int squareIndex(std::string_view square);

    // The clock: each side's time in seconds (left side first, as b0..b2), the run and flag
    // bits of each side's first byte (0x10 running), and the status byte b6.
    void setClock(int leftSeconds, int rightSeconds, std::uint8_t leftFlags = 0,
        std::uint8_t rightFlags = 0, std::uint8_t status = 0);
    void setClockBytes(const std::array<std::uint8_t, 7>& bytes);
    void removeClock();

    // Raw bytes sent as they are (garbage, half messages).
    void inject(std::string_view bytes);

    // Whole messages as the board frames them.
    static std::string message(std::uint8_t id, std::string_view data);
    static std::string fieldUpdate(int square, std::uint8_t piece);
    static std::string boardDump(const Image& image);

    // Sent ahead of every answer (an update already on its way), and a board that answers
    // nothing at all (a device that is no board).
    std::string aheadOfAnswers;
    bool silent = false;
    std::string version = std::string("\x01\x07", 2);
    std::string serialNumber = "12345";
    std::string trademark = "Digital Game Technology";
    int busAddress = 300;

private:
    void setSquare(int square, std::uint8_t piece);
    std::string clockMessage() const;

    Image m_image {};
    std::array<std::uint8_t, 7> m_clock {};
    bool m_updateMode = false;
    std::string m_output;
};

} // namespace velmorak::test
