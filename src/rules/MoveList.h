#pragma once

#include <cassert>
#include <cstddef>

#include "Move.h"

namespace velmorak {

// A fixed-capacity list of moves filled front to back, kept on the caller's stack so that
// generation never allocates. Entries past size() are never read. A move pushed into a full
// list is dropped (no chess position comes near the capacities below).
template <std::size_t Capacity> class FixedMoveList {
public:
    static constexpr std::size_t kCapacity = Capacity;

    void push(Move move)
    {
        assert(m_size < Capacity);
        if (m_size < Capacity)
            m_moves[m_size++] = move;
    }
    void clear() { m_size = 0; }
    std::size_t size() const { return m_size; }
    bool empty() const { return m_size == 0; }
    Move operator[](std::size_t index) const { return m_moves[index]; }
    const Move* begin() const { return m_moves; }
    const Move* end() const { return m_moves + m_size; }
    const Move* data() const { return m_moves; }
    bool contains(Move move) const
    {
        for (Move m : *this)
            if (m == move)
                return true;
        return false;
    }

private:
    Move m_moves[Capacity];
    std::size_t m_size = 0;
};

// The moves of one square (at most 27 for a queen) and of a whole side (at most 218).
using SquareMoveList = FixedMoveList<32>;
using MoveList = FixedMoveList<256>;

} // namespace velmorak
