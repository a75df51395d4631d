#include "dgt/DgtClockText.h"

namespace velmorak {

namespace {

constexpr std::size_t kSideTextLength = 7;
constexpr std::size_t kOtherSideOffset = 8;

bool noClock(const DgtClockBytes& bytes)
{
    return (bytes[6] & kDgtNoClockBit) != 0;
}

bool sideReadable(std::uint8_t hours, std::uint8_t minutes, std::uint8_t seconds)
{
    // A single digit is all the display has for the hours.
    return (hours & 15) <= 9 && ((minutes >> 4) & 7) <= 5 && (minutes & 15) <= 9 &&
        ((seconds >> 4) & 7) <= 5 && (seconds & 15) <= 9;
}

void appendSide(std::string& text, std::uint8_t hours, std::uint8_t minutes, std::uint8_t seconds)
{
    // Taken modulo so that a text of any bytes keeps its seven characters.
    auto digit = [&text](int value, int base) { text += static_cast<char>('0' + value % base); };
    digit(hours & 15, 10);
    text += ':';
    digit((minutes >> 4) & 7, 6);
    digit(minutes & 15, 10);
    text += ':';
    digit((seconds >> 4) & 7, 6);
    digit(seconds & 15, 10);
}

} // namespace

bool dgtClockBytesReadable(const DgtClockBytes& bytes)
{
    if (noClock(bytes))
        return true;
    return sideReadable(bytes[0], bytes[1], bytes[2]) && sideReadable(bytes[3], bytes[4], bytes[5]);
}

std::string dgtClockText(const DgtClockBytes& bytes)
{
    if (noClock(bytes))
        return "-:--:-- -:--:--";
    std::string text;
    appendSide(text, bytes[0], bytes[1], bytes[2]);
    text += ' ';
    appendSide(text, bytes[3], bytes[4], bytes[5]);
    return text;
}

int dgtClockStatus(const DgtClockBytes& bytes)
{
    if (noClock(bytes))
        return kDgtNoClockStatus;
    return ((bytes[0] & 0x70) >> 4) + ((bytes[3] & 0x70) >> 1) + (bytes[6] & 63) * 256;
}

std::vector<DgtEventCode> DgtClockText::update(const DgtClockBytes& bytes, bool rotated)
{
    std::vector<DgtEventCode> codes;
    std::string text = dgtClockText(bytes);
    std::string first = text.substr(0, kSideTextLength);
    std::string second = text.substr(kOtherSideOffset, kSideTextLength);
    std::string& white = m_whiteText;
    std::string& black = m_blackText;
    const std::string& newWhite = rotated ? second : first;
    const std::string& newBlack = rotated ? first : second;
    if (newBlack != black) {
        black = newBlack;
        codes.push_back(DgtEventCode::BlackClockTimeChanged);
    }
    if (newWhite != white) {
        white = newWhite;
        codes.push_back(DgtEventCode::WhiteClockTimeChanged);
    }

    // The clock reports which side's lever is down; a stop is a flag that falls, or, while
    // a side's clock runs, the turn bit changing. A turned board swaps the sides.
    int status = dgtClockStatus(bytes);
    auto stopped = [&codes, rotated](bool byBlack) {
        codes.push_back((byBlack != rotated) ? DgtEventCode::BlackStoppedClock
                                             : DgtEventCode::WhiteStoppedClock);
    };
    auto fell = [&](int bit) { return (m_status & bit) != 0 && (status & bit) == 0; };
    if (fell(0x800))
        stopped(true);
    if (fell(0x1000))
        stopped(false);
    if ((status & 0x9) != 0) {
        bool before = (m_status & 0x200) != 0;
        bool now = (status & 0x200) != 0;
        if (!before && now)
            stopped(true);
        else if (before && !now)
            stopped(false);
    }
    m_status = status;
    return codes;
}

void DgtClockText::reset()
{
    m_whiteText.clear();
    m_blackText.clear();
    m_status = 0;
}

} // namespace velmorak
