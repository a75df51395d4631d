#pragma once

#include <cassert>
#include <cstddef>

#include "Move.h"

namespace velmorak {

// A fixed-capacity list of moves filled front to back, kept on the caller's stack so that
// generation never allocates. Entries past size() are never read. The capacities below hold
// every list of any position the FEN reader accepts, so push() never meets a full list; it
// still refuses to write past the end rather than trust that.
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

// The capacities hold the pseudo-legal moves (a superset of the legal ones) of any placement
// at all, not only of positions a game can reach: a FEN may put 21 queens on the board.
//
// One square: a queen on a centre square reaches 27 squares; a king 8 plus two castlings; a
// knight 8; a pawn 3 targets of 4 promotions each plus an en-passant capture.
inline constexpr std::size_t kMaxSquareMoves = 27;
//
// A whole side: name every move by its target t and the step d by which it arrives (for a
// knight, its jump). Walking back from t against d, the first piece met is the only one that
// can arrive that way: a slider, king or pawn beyond it is blocked (a double step or castling
// passes only empty squares), and a knight jump has one origin. That piece arrives on t at
// most once, with two exceptions: a pawn promoting there arrives four times, and a pawn beside
// the en-passant square may take en passant besides capturing there when the set-up editor
// names an occupied square (the FEN reader drops those), which at most two pawns can. So a
// side has at most as many moves as there are pairs (t, d) with t - d on the board (420 king
// steps and 336 knight jumps on an empty board), plus 3 more for each of the 22 promotion
// arrivals on the far rank (8 straight, 14 diagonal), plus 2.
inline constexpr std::size_t kMaxSideMoves = 420 + 336 + 3 * 22 + 2;

using SquareMoveList = FixedMoveList<32>;
using MoveList = FixedMoveList<kMaxSideMoves>;
static_assert(SquareMoveList::kCapacity >= kMaxSquareMoves);

} // namespace velmorak
