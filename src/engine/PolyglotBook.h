#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "engine/OpeningBook.h"
#include "rules/Board.h"
#include "rules/Move.h"

namespace velmorak {

extern const std::uint64_t kPolyglotRandom[781];

// The Polyglot key of a position. The en-passant file counts only when a pawn of the side
// to move stands beside the pawn that has just made its double step.
std::uint64_t polyglotKey(const Board& board);

// The legal move a Polyglot move word stands for in `board`'s position, or NoMove. Castling
// is stored as the king taking its own rook (e1h1, e1a1, e8h8, e8a8).
Move decodePolyglotMove(Board& board, std::uint16_t word);
// The move word of a move (castling as king takes rook).
std::uint16_t encodePolyglotMove(Move move);

// A Polyglot ".bin" book: 16-byte entries (key, move, weight, learn; high byte first) sorted
// by key. Looked up by binary search with positioned reads, so the file is never loaded
// whole. Unreadable files and entries that are not legal moves give nothing.
class PolyglotBook {
public:
    static constexpr std::size_t kEntrySize = 16;
    static constexpr std::size_t kMaxResults = 256;

    // A random number uniform in [0, bound); by default bookRandomNumber().
    using RandomSource = std::function<std::uint32_t(std::uint32_t bound)>;

    explicit PolyglotBook(RandomSource random = {});

    // The legal book moves of the position with their weights, in file order.
    std::vector<BookEntry> lookup(const std::string& path, Board& board) const;

    // Best: the heaviest move (the first of equals). Good: a weighted choice among the moves
    // weighing at least half the heaviest. Random: a weighted choice among all moves with a
    // weight above 0 (all of them when every weight is 0). Off or no moves: NoMove.
    Move chooseMove(const std::vector<BookEntry>& entries, BookMode mode) const;

private:
    Move weightedChoice(const std::vector<BookEntry>& entries, std::uint32_t minWeight) const;

    RandomSource m_random;
};

// Whether a path names a Polyglot book: its extension is ".bin" in any case (".BIN" from
// systems that write names in capitals).
bool isPolyglotBookPath(std::string_view path);

} // namespace velmorak
