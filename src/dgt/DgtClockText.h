#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "dgt/DgtEvent.h"

namespace velmorak {

// The seven bytes of a clock message: hours, minutes and seconds of one side (b0..b2, BCD,
// status bits in b0's high nibble), the same for the other side (b3..b5), and the clock's
// status byte (b6).
using DgtClockBytes = std::array<std::uint8_t, 7>;

// Bit of b6: no clock is attached to the board; the times mean nothing.
inline constexpr std::uint8_t kDgtNoClockBit = 0x20;
// The status word of a board without a clock.
inline constexpr int kDgtNoClockStatus = 8192;

// False when a time digit cannot be a digit of a clock (a unit above 9, a tens digit of
// minutes or seconds above 5): such a message was garbled on the line. Always true without
// a clock attached.
bool dgtClockBytesReadable(const DgtClockBytes& bytes);
// "H:MM:SS H:MM:SS", fifteen characters whatever the bytes, the side of b0..b2 first;
// "-:--:-- -:--:--" without a clock.
std::string dgtClockText(const DgtClockBytes& bytes);
// Run and flag bits of both sides in the low byte, b6's low six bits above them.
int dgtClockStatus(const DgtClockBytes& bytes);

// What the clock last showed, kept per side, and the events a new reading raises.
class DgtClockText {
public:
    // Takes a new reading. `rotated`: the board stands turned, so the clock's halves belong
    // to the other sides. Returns, in order, 23 and 24 for a side whose text changed and 25
    // or 26 when a side stopped the clock.
    std::vector<DgtEventCode> update(const DgtClockBytes& bytes, bool rotated);

    // "H:MM:SS"; empty until the first reading.
    const std::string& whiteText() const { return m_whiteText; }
    const std::string& blackText() const { return m_blackText; }
    int status() const { return m_status; }
    bool attached() const { return m_status != kDgtNoClockStatus; }

    void reset();

private:
    std::string m_whiteText;
    std::string m_blackText;
    int m_status = 0;
};

} // namespace velmorak
