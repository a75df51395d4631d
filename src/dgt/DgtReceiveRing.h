#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>

namespace velmorak {

// The bytes read from the board's line and not parsed yet, in a fixed ring. Filling stops a
// few bytes short of the whole ring, and from then on the ring reports the overflow until it
// is cleared: the reader must drop what it has and ask the board for a fresh picture.
class DgtReceiveRing {
public:
    static constexpr std::size_t kCapacity = 9000;
    static constexpr std::size_t kFillLimit = 8995;

    // False (and the overflow flag set) when the ring holds kFillLimit bytes already.
    bool push(std::uint8_t byte);
    // The oldest byte; none while empty or after an overflow.
    std::optional<std::uint8_t> pop();

    std::size_t size() const { return m_count; }
    bool overflowed() const { return m_overflowed; }
    // Forgets every byte and the overflow.
    void clear();

private:
    std::array<std::uint8_t, kCapacity> m_bytes {};
    std::size_t m_readIndex = 0;
    std::size_t m_writeIndex = 0;
    std::size_t m_count = 0;
    bool m_overflowed = false;
};

} // namespace velmorak
