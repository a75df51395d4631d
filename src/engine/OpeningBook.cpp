#include "engine/OpeningBook.h"

#include <bit>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <mutex>
#include <random>

#include <fcntl.h>
#include <unistd.h>

#include "base/RegularFile.h"
#include "rules/CoordinateNotation.h"
#include "rules/MoveList.h"

namespace velmorak {

// Reads the records of a book file or of bytes in memory, one at a time. A file is read in
// blocks into a buffer of its own and handed out byte by byte: every lookup reads the file
// from the start, so the per-byte cost is what a lookup costs.
class OpeningBook::Reader {
public:
    static constexpr std::size_t kBlockSize = 64 * 1024;

    explicit Reader(std::FILE* file)
        : m_file(file)
        , m_block(kBlockSize)
    {
    }
    explicit Reader(std::string_view bytes)
        : m_bytes(bytes)
    {
    }

    // nullopt at the end of the data, including a lone last byte.
    std::optional<BookRecord> next()
    {
        int high = readByte();
        int low = high < 0 ? -1 : readByte();
        if (low < 0)
            return std::nullopt;
        return BookRecord { static_cast<std::uint16_t>(high << 8 | low) };
    }

private:
    int readByte()
    {
        if (m_offset >= m_bytes.size() && !refill())
            return -1;
        return static_cast<unsigned char>(m_bytes[m_offset++]);
    }

    bool refill()
    {
        if (!m_file)
            return false;
        std::size_t read = std::fread(m_block.data(), 1, m_block.size(), m_file);
        m_bytes = std::string_view(m_block.data(), read);
        m_offset = 0;
        return read > 0;
    }

    std::FILE* m_file = nullptr;
    std::vector<char> m_block;
    std::string_view m_bytes;
    std::size_t m_offset = 0;
};

namespace {

struct FileCloser {
    void operator()(std::FILE* file) const { std::fclose(file); }
};

// Reads past one subtree: a level of siblings, each followed by its own subtree. Returns
// false when the data ends first.
template <typename Reader> bool skipSubtree(Reader& reader)
{
    // For every open level, whether the record that opened the level below it had more
    // siblings; the outermost level belongs to the skipped subtree itself.
    std::vector<bool> parentHasMoreSiblings;
    for (;;) {
        std::optional<BookRecord> record = reader.next();
        if (!record)
            return false;
        if (record->hasChildren()) {
            parentHasMoreSiblings.push_back(record->hasMoreSiblings());
            continue;
        }
        if (record->hasMoreSiblings())
            continue;
        // This level is over; climb while the levels above are over too.
        for (;;) {
            if (parentHasMoreSiblings.empty())
                return true;
            bool more = parentHasMoreSiblings.back();
            parentHasMoreSiblings.pop_back();
            if (more)
                break;
        }
    }
}

// One bit (bit 3 of the byte) per square of a file that holds a piece of the side: the
// eight squares of a file lie side by side in the 0x88 array (rank 1 in the lowest byte).
std::uint64_t ownPiecesOfFile(const Board& board, int file, bool white)
{
    constexpr std::uint64_t kBit3 = 0x0808080808080808ull;
    constexpr std::uint64_t kLow7 = 0x7F7F7F7F7F7F7F7Full;
    std::uint64_t bytes;
    std::memcpy(&bytes, board.squares().data() + file * 16, sizeof bytes);
    if (!white)
        return bytes & kBit3;
    // White pieces are codes 0..5: bit 3 clear and not 7 (empty).
    std::uint64_t x = bytes ^ 0x0707070707070707ull;
    std::uint64_t zero = ~(((x & kLow7) + kLow7) | x | kLow7);
    return ~bytes & kBit3 & ~(zero >> 4);
}

} // namespace

BookRecord BookRecord::make(
    int weight, bool hasChildren, bool moreSiblings, int moveOrdinal, int pieceOrdinal)
{
    unsigned bits = unsigned(weight & 31) << 11 | (hasChildren ? 0u : kNoChildren) |
        (moreSiblings ? kMoreSiblings : 0u) | unsigned(moveOrdinal & 31) << 4 |
        unsigned(pieceOrdinal & 15);
    return BookRecord { static_cast<std::uint16_t>(bits) };
}

Square squareOfPieceOrdinal(const Board& board, int ordinal)
{
    // Every lookup decodes records by this, so whole files are counted at once.
    bool white = board.sideToMove() == kWhiteSide;
    for (int file = 0; file < 8 && ordinal >= 0; ++file) {
        std::uint64_t own = ownPiecesOfFile(board, file, white);
        int count = std::popcount(own);
        if (ordinal >= count) {
            ordinal -= count;
            continue;
        }
        for (; ordinal > 0; --ordinal)
            own &= own - 1;
        return makeSquare(file, std::countr_zero(own) / 8);
    }
    return NoSquare;
}

int pieceOrdinalOfSquare(const Board& board, Square target)
{
    bool white = board.sideToMove() == kWhiteSide;
    int seen = 0;
    for (int square = 0; square < 128; ++square) {
        if (!isOnBoard(square))
            continue;
        PieceCode piece = board.pieceAt(static_cast<Square>(square));
        if (piece == kEmpty || piece == kOffBoard || isWhitePiece(piece) != white)
            continue;
        if (square == target)
            return seen;
        ++seen;
    }
    return -1;
}

Move decodeBookMove(const Board& board, BookRecord record)
{
    Square from = squareOfPieceOrdinal(board, record.pieceOrdinal());
    if (from == NoSquare)
        return NoMove;
    SquareMoveList moves;
    board.pseudoLegalMoves(from, moves);
    std::size_t ordinal = static_cast<std::size_t>(record.moveOrdinal());
    return ordinal < moves.size() ? moves[ordinal] : NoMove;
}

std::optional<std::pair<int, int>> encodeBookMove(const Board& board, Move move)
{
    int pieceOrdinal = pieceOrdinalOfSquare(board, move.from);
    if (pieceOrdinal < 0 || pieceOrdinal > 15)
        return std::nullopt;
    SquareMoveList moves;
    board.pseudoLegalMoves(move.from, moves);
    for (std::size_t i = 0; i < moves.size() && i < 32; ++i)
        if (moves[i] == move)
            return std::make_pair(static_cast<int>(i), pieceOrdinal);
    return std::nullopt;
}

std::uint32_t bookRandomNumber(std::uint32_t bound)
{
    static std::mutex mutex;
    static std::mt19937 generator { std::random_device {}() };
    std::lock_guard lock(mutex);
    return std::uniform_int_distribution<std::uint32_t>(0, bound - 1)(generator);
}

OpeningBook::OpeningBook(RandomSource random)
    : m_random(std::move(random))
{
    if (!m_random)
        m_random = [] { return int(bookRandomNumber(65536)); };
}

const std::vector<BookEntry>& OpeningBook::lookup(const std::string& path, const Board& target)
{
    m_results.clear();
    if (path.empty())
        return m_results;
    // A FIFO or device given as the book would block the engine thread: regular files only.
    Result<int> fd = openRegularFile(path, O_RDONLY);
    std::unique_ptr<std::FILE, FileCloser> file(fd ? ::fdopen(*fd, "rb") : nullptr);
    if (fd && !file)
        ::close(*fd);
    if (!file)
        return m_results;
    Reader reader(file.get());
    lookupWith(reader, target);
    return m_results;
}

const std::vector<BookEntry>& OpeningBook::lookupBytes(std::string_view bytes, const Board& target)
{
    m_results.clear();
    Reader reader(bytes);
    lookupWith(reader, target);
    return m_results;
}

void OpeningBook::lookupWith(Reader& reader, const Board& target)
{
    m_failedSquare = 0;
    m_stopped = false;
    Board board;
    walkLevel(reader, board, target, 0);
}

void OpeningBook::walkLevel(Reader& reader, Board& board, const Board& target, int depth)
{
    // Every record of a level stands in the same position, so one comparison serves all.
    bool equal = positionEquals(board, target);
    bool moreSiblings = true;
    while (moreSiblings && !m_stopped) {
        std::optional<BookRecord> record = reader.next();
        if (!record) {
            m_stopped = true;
            return;
        }
        moreSiblings = record->hasMoreSiblings();
        Move move = decodeBookMove(board, *record);
        if (move == NoMove) {
            // A corrupt or foreign book: its records no longer mean anything from here on.
            m_stopped = true;
            return;
        }
        if (equal) {
            if (m_results.size() < kMaxResults)
                m_results.push_back({ move, static_cast<std::uint16_t>(record->weight()) });
            if (record->hasChildren() && !skipSubtree(reader))
                m_stopped = true;
            continue;
        }
        if (!record->hasChildren())
            continue;
        if (depth >= kMaxWalkDepth) {
            if (!skipSubtree(reader))
                m_stopped = true;
            continue;
        }
        PieceCode moving = board.pieceAt(move.from);
        board.makeMove(move);
        if (cannotFollow(moving, move.from, board, target)) {
            if (!skipSubtree(reader))
                m_stopped = true;
        } else {
            walkLevel(reader, board, target, depth + 1);
        }
        board.unmakeMove();
    }
}

bool OpeningBook::positionEquals(const Board& board, const Board& target)
{
    if (board.pieceAt(m_failedSquare) != target.pieceAt(m_failedSquare) ||
        board.sideToMove() != target.sideToMove())
        return false;
    for (int square = 0; square < 128; ++square) {
        if (!isOnBoard(square))
            continue;
        Square s = static_cast<Square>(square);
        if (board.pieceAt(s) != target.pieceAt(s)) {
            m_failedSquare = s;
            return false;
        }
    }
    return board.castlingRights() == target.castlingRights() &&
        board.enPassantSquare() == target.enPassantSquare();
}

// Tests that prove the target cannot lie in the subtree after a move, so the subtree is
// skipped without decoding: a pawn that has not left its start square in the target, a
// castling right the target still has, or more pieces in the target than in the tree.
bool OpeningBook::cannotFollow(
    PieceCode moving, Square from, const Board& reached, const Board& target)
{
    if (moving == kWhitePawn && rankOf(from) == 1 && target.pieceAt(from) == kWhitePawn)
        return true;
    if (moving == kBlackPawn && rankOf(from) == 6 && target.pieceAt(from) == kBlackPawn)
        return true;
    if ((target.castlingRights() & ~reached.castlingRights()) != 0)
        return true;
    return target.pieceCount() > reached.pieceCount();
}

int OpeningBook::randomIndex(int lo, int hi)
{
    int r = m_random() & 0xFFFF;
    return lo + ((hi - lo + 1) * r) / 65536;
}

Move OpeningBook::chooseMove(BookMode mode)
{
    if (mode == BookMode::Off || m_results.empty())
        return NoMove;
    std::size_t best = 0;
    for (std::size_t i = 1; i < m_results.size(); ++i)
        if (m_results[i].weight > m_results[best].weight)
            best = i;
    switch (mode) {
    case BookMode::Best:
        return m_results[best].move;
    case BookMode::Good: {
        int threshold = std::min(10, int(m_results[best].weight) - 3);
        std::vector<Move> good;
        for (const BookEntry& entry : m_results)
            if (entry.weight > threshold)
                good.push_back(entry.move);
        return good[randomIndex(0, int(good.size()) - 1)];
    }
    case BookMode::Random:
        return m_results[randomIndex(0, int(m_results.size()) - 1)].move;
    case BookMode::Off:
        break;
    }
    return NoMove;
}

Move OpeningBook::bookMove(const std::string& path, BookMode mode, const Board& position)
{
    if (mode == BookMode::Off)
        return NoMove;
    OpeningBook book;
    book.lookup(path, position);
    return book.chooseMove(mode);
}

Move reportBookMove(
    const std::string& path, BookMode mode, const Board& position, const EngineCallbacks& reports)
{
    Move move = OpeningBook::bookMove(path, mode, position);
    if (move == NoMove)
        return NoMove;
    std::string text = writeCoordinates(move);
    reports.reportNodes(0, 0);
    reports.reportDepth(1, 1);
    reports.reportCurrentMove(text.c_str(), 1, 1);
    reports.reportLine(text.c_str(), 0);
    return move;
}

std::string bookDisplayName(const std::optional<std::string>& settingValue)
{
    if (!settingValue || settingValue->empty())
        return "none";
    const std::string& path = *settingValue;
    std::size_t separator = path.find_last_of("/\\");
    if (separator == std::string::npos || path.find('.') == std::string::npos)
        return "none";
    std::string name = path.substr(separator + 1);
    return name.size() > 4 ? name.substr(0, name.size() - 4) : std::string();
}

std::string documentsDirectory()
{
    if (const char* documents = std::getenv("VELMORAK_DOCUMENTS"); documents && *documents)
        return documents;
    if (const char* xdg = std::getenv("XDG_DOCUMENTS_DIR"); xdg && *xdg)
        return xdg;
    const char* home = std::getenv("HOME");
    return std::string(home && *home ? home : ".") + "/Documents";
}

std::string defaultBookPath()
{
    return documentsDirectory() + "/" + kDefaultBookFileName;
}

} // namespace velmorak
