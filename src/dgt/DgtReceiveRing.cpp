#include "dgt/DgtReceiveRing.h"

namespace velmorak {

bool DgtReceiveRing::push(std::uint8_t byte)
{
    if (m_count >= kFillLimit) {
        m_overflowed = true;
        return false;
    }
    m_bytes[m_writeIndex] = byte;
    m_writeIndex = (m_writeIndex + 1) % kCapacity;
    ++m_count;
    return true;
}

std::optional<std::uint8_t> DgtReceiveRing::pop()
{
    // What is left after an overflow is the front of a stream with a hole in it: none of it
    // may be parsed as if it were whole.
    if (m_overflowed || m_count == 0)
        return std::nullopt;
    std::uint8_t byte = m_bytes[m_readIndex];
    m_readIndex = (m_readIndex + 1) % kCapacity;
    --m_count;
    return byte;
}

void DgtReceiveRing::clear()
{
    m_readIndex = 0;
    m_writeIndex = 0;
    m_count = 0;
    m_overflowed = false;
}

} // namespace velmorak
