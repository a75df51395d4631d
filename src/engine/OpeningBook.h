#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "engine/EnginePlugin.h"
#include "rules/Board.h"
#include "rules/Move.h"

namespace velmorak {

// Book modes, shared by the program's book and the engine's book.
enum class BookMode : int { Off = 0, Best = 1, Good = 2, Random = 3 };

struct BookEntry {
    Move move;
    std::uint16_t weight;
    friend bool operator==(const BookEntry&, const BookEntry&) = default;
};

// One ".kbk" record: two bytes, high byte first.
struct BookRecord {
    static constexpr std::uint16_t kNoChildren = 0x0400;
    static constexpr std::uint16_t kMoreSiblings = 0x0200;

    std::uint16_t bits = 0;

    int weight() const { return bits >> 11; }
    bool hasChildren() const { return (bits & kNoChildren) == 0; }
    bool hasMoreSiblings() const { return (bits & kMoreSiblings) != 0; }
    int moveOrdinal() const { return (bits >> 4) & 31; }
    int pieceOrdinal() const { return bits & 15; }

    static BookRecord make(
        int weight, bool hasChildren, bool moreSiblings, int moveOrdinal, int pieceOrdinal);
};

// Where a piece of the side to move stands, by its ordinal in a1, a2 .. a8, b1 .. h8 order;
// NoSquare when the side has fewer pieces. And the reverse: the ordinal of a square, or -1.
Square squareOfPieceOrdinal(const Board& board, int ordinal);
int pieceOrdinalOfSquare(const Board& board, Square square);
// The move a record stands for in `board`'s position, or NoMove when it names no piece or
// no pseudo-legal move of that piece.
Move decodeBookMove(const Board& board, BookRecord record);
// The record ordinals of a move; nullopt when the move is not pseudo-legal there.
std::optional<std::pair<int, int>> encodeBookMove(const Board& board, Move move);

// The program's own opening book: a ".kbk" file, the depth-first listing of an opening tree
// that starts at the standard position. One object serves one lookup; the file is opened
// and closed within it, so it may be replaced between moves. Missing, unreadable, truncated
// and foreign files never fail: they give the moves found before the problem.
class OpeningBook {
public:
    // A lookup keeps at most this many results (transpositions can repeat moves).
    static constexpr std::size_t kMaxResults = 256;
    // Subtrees deeper than this are skipped unread: no opening line is that long, and a
    // hostile file must not drive the walk's recursion arbitrarily deep.
    static constexpr int kMaxWalkDepth = 256;

    // A random number uniform in 0..65535; by default bookRandomNumber().
    using RandomSource = std::function<int()>;

    explicit OpeningBook(RandomSource random = {});

    // Collects the moves the book holds for `target` (every place it occurs in the tree).
    const std::vector<BookEntry>& lookup(const std::string& path, const Board& target);
    const std::vector<BookEntry>& lookupBytes(std::string_view bytes, const Board& target);
    const std::vector<BookEntry>& results() const { return m_results; }

    // The move the mode picks among the results; NoMove for mode Off or no results.
    Move chooseMove(BookMode mode);

    // Lookup then choice, for the engine thread.
    static Move bookMove(const std::string& path, BookMode mode, const Board& position);

private:
    class Reader;
    void walkLevel(Reader& reader, Board& board, const Board& target, int depth);
    bool positionEquals(const Board& board, const Board& target);
    static bool cannotFollow(
        PieceCode moving, Square from, const Board& reached, const Board& target);
    int randomIndex(int lo, int hi);
    void lookupWith(Reader& reader, const Board& target);

    RandomSource m_random;
    std::vector<BookEntry> m_results;
    Square m_failedSquare = 0;
    bool m_stopped = false;
};

// The program's own book asked before a search (engine thread): the move the mode picks for
// `position`, reported through the report table as an engine result (nodes 0, depth 1 and
// 1, current move 1 of 1, then the move as the line with score 0), so that it is played like
// one. NoMove, with nothing reported, when the book has no move.
Move reportBookMove(
    const std::string& path, BookMode mode, const Board& position, const EngineCallbacks& reports);

// A random number uniform in [0, bound) (bound > 0) for the books' random choices, from one
// generator for the whole run, seeded once from std::random_device: choices made in quick
// succession differ as they should, and no clock decides them. Safe from any thread.
std::uint32_t bookRandomNumber(std::uint32_t bound);

// The file name of the default book (BookSettings.h has the settings that name the books).
inline constexpr const char* kDefaultBookFileName = "vmbook.kbk";

// The book's file name without its folder and its last four characters, or "none" when the
// setting is missing or empty or the path holds no '.' or no folder separator.
std::string bookDisplayName(const std::optional<std::string>& settingValue);

// The user's documents folder: $VELMORAK_DOCUMENTS, else $XDG_DOCUMENTS_DIR, else
// ~/Documents.
std::string documentsDirectory();
// The default path of both book settings: the documents folder's "vmbook.kbk".
std::string defaultBookPath();

} // namespace velmorak
