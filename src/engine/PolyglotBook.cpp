#include "engine/PolyglotBook.h"

#include <cctype>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "base/RegularFile.h"

namespace velmorak {

namespace {

constexpr int kCastleOffset = 768;
constexpr int kEnPassantOffset = 772;
constexpr int kTurnOffset = 780;

// Polyglot numbers pieces black pawn 0, white pawn 1, black knight 2, ... white king 11.
int polyglotPieceKind(PieceCode piece)
{
    int pair = 0;
    switch (kindOf(piece)) {
    case kPawn:
        pair = 0;
        break;
    case kKnight:
        pair = 1;
        break;
    case kBishop:
        pair = 2;
        break;
    case kRook:
        pair = 3;
        break;
    case kQueen:
        pair = 4;
        break;
    case kKing:
        pair = 5;
        break;
    default:
        return -1;
    }
    return 2 * pair + (isWhitePiece(piece) ? 1 : 0);
}

std::uint64_t readBigEndian(const unsigned char* bytes, int count)
{
    std::uint64_t value = 0;
    for (int i = 0; i < count; ++i)
        value = value << 8 | bytes[i];
    return value;
}

class FileDescriptor {
public:
    explicit FileDescriptor(int fd)
        : m_fd(fd)
    {
    }
    ~FileDescriptor()
    {
        if (m_fd >= 0)
            ::close(m_fd);
    }
    FileDescriptor(const FileDescriptor&) = delete;
    FileDescriptor& operator=(const FileDescriptor&) = delete;
    int get() const { return m_fd; }

private:
    int m_fd;
};

bool readEntry(int fd, std::uint64_t index, unsigned char (&entry)[PolyglotBook::kEntrySize])
{
    off_t offset = static_cast<off_t>(index * PolyglotBook::kEntrySize);
    std::size_t done = 0;
    while (done < sizeof entry) {
        ssize_t n = ::pread(fd, entry + done, sizeof entry - done, offset + off_t(done));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        done += std::size_t(n);
    }
    return true;
}

} // namespace

std::uint64_t polyglotKey(const Board& board)
{
    std::uint64_t key = 0;
    for (int file = 0; file < 8; ++file) {
        for (int rank = 0; rank < 8; ++rank) {
            int kind = polyglotPieceKind(board.pieceAt(makeSquare(file, rank)));
            if (kind >= 0)
                key ^= kPolyglotRandom[64 * kind + 8 * rank + file];
        }
    }
    std::uint8_t rights = board.castlingRights();
    if (rights & kWhiteShortRight)
        key ^= kPolyglotRandom[kCastleOffset + 0];
    if (rights & kWhiteLongRight)
        key ^= kPolyglotRandom[kCastleOffset + 1];
    if (rights & kBlackShortRight)
        key ^= kPolyglotRandom[kCastleOffset + 2];
    if (rights & kBlackLongRight)
        key ^= kPolyglotRandom[kCastleOffset + 3];

    Square target = board.enPassantSquare();
    if (target != 0 && isOnBoard(target)) {
        bool white = board.sideToMove() == kWhiteSide;
        // The capturing pawn stands on the rank the double-stepped pawn landed on.
        int pawnRank = white ? 4 : 3;
        PieceCode ownPawn = white ? kWhitePawn : kBlackPawn;
        int file = fileOf(target);
        bool capturable = (file > 0 && board.pieceAt(makeSquare(file - 1, pawnRank)) == ownPawn) ||
            (file < 7 && board.pieceAt(makeSquare(file + 1, pawnRank)) == ownPawn);
        if (capturable)
            key ^= kPolyglotRandom[kEnPassantOffset + file];
    }
    if (board.sideToMove() == kWhiteSide)
        key ^= kPolyglotRandom[kTurnOffset];
    return key;
}

Move decodePolyglotMove(Board& board, std::uint16_t word)
{
    int toFile = word & 7;
    int toRank = (word >> 3) & 7;
    int fromFile = (word >> 6) & 7;
    int fromRank = (word >> 9) & 7;
    int promotion = (word >> 12) & 7;
    Square from = makeSquare(fromFile, fromRank);
    Square to = makeSquare(toFile, toRank);
    if (from == to)
        return NoMove;
    PieceCode moving = board.pieceAt(from);
    if (isKing(moving) && fromFile == 4 && (fromRank == 0 || fromRank == 7) && toRank == fromRank &&
        board.pieceAt(to) == pieceOf(kRook, isWhitePiece(moving) ? 0 : 1)) {
        if (toFile == 7)
            to = makeSquare(6, fromRank);
        else if (toFile == 0)
            to = makeSquare(2, fromRank);
    }
    PieceCode promotionPiece = kEmpty;
    if (promotion != 0) {
        static constexpr int kKinds[] = { 0, kKnight, kBishop, kRook, kQueen };
        if (promotion > 4)
            return NoMove;
        promotionPiece = pieceOf(kKinds[promotion], board.sideToMove() == kWhiteSide ? 0 : 1);
    }
    return board.findMove(from, to, promotionPiece);
}

std::uint16_t encodePolyglotMove(Move move)
{
    int fromFile = fileOf(move.from);
    int fromRank = rankOf(move.from);
    int toFile = fileOf(move.to);
    int toRank = rankOf(move.to);
    if (move.isCastling())
        toFile = toFile == 6 ? 7 : 0;
    int promotion = 0;
    if (move.isPromotion()) {
        switch (kindOf(move.piece)) {
        case kKnight:
            promotion = 1;
            break;
        case kBishop:
            promotion = 2;
            break;
        case kRook:
            promotion = 3;
            break;
        default:
            promotion = 4;
            break;
        }
    }
    return static_cast<std::uint16_t>(
        toFile | toRank << 3 | fromFile << 6 | fromRank << 9 | promotion << 12);
}

PolyglotBook::PolyglotBook(RandomSource random)
    : m_random(std::move(random))
{
    if (!m_random)
        m_random = &bookRandomNumber;
}

std::vector<BookEntry> PolyglotBook::lookup(const std::string& path, Board& board) const
{
    std::vector<BookEntry> entries;
    if (path.empty())
        return entries;
    FileDescriptor fd(openRegularFile(path, O_RDONLY).valueOr(-1));
    struct stat info { };
    if (fd.get() < 0 || ::fstat(fd.get(), &info) != 0 || !S_ISREG(info.st_mode))
        return entries;
    std::uint64_t count = std::uint64_t(info.st_size) / kEntrySize;
    std::uint64_t key = polyglotKey(board);

    // The first entry whose key is not below ours.
    std::uint64_t lo = 0;
    std::uint64_t hi = count;
    unsigned char entry[kEntrySize];
    while (lo < hi) {
        std::uint64_t mid = lo + (hi - lo) / 2;
        if (!readEntry(fd.get(), mid, entry))
            return entries;
        if (readBigEndian(entry, 8) < key)
            lo = mid + 1;
        else
            hi = mid;
    }
    for (std::uint64_t i = lo; i < count && entries.size() < kMaxResults; ++i) {
        if (!readEntry(fd.get(), i, entry) || readBigEndian(entry, 8) != key)
            break;
        auto word = static_cast<std::uint16_t>(readBigEndian(entry + 8, 2));
        auto weight = static_cast<std::uint16_t>(readBigEndian(entry + 10, 2));
        Move move = decodePolyglotMove(board, word);
        if (move != NoMove)
            entries.push_back({ move, weight });
    }
    return entries;
}

Move PolyglotBook::weightedChoice(
    const std::vector<BookEntry>& entries, std::uint32_t minWeight) const
{
    std::uint32_t total = 0;
    for (const BookEntry& entry : entries)
        if (entry.weight >= minWeight)
            total += entry.weight;
    if (total == 0) {
        // Only zero weights: each move is as good as the next.
        return entries[m_random(static_cast<std::uint32_t>(entries.size()))].move;
    }
    std::uint32_t pick = m_random(total);
    for (const BookEntry& entry : entries) {
        if (entry.weight < minWeight)
            continue;
        if (pick < entry.weight)
            return entry.move;
        pick -= entry.weight;
    }
    return entries.front().move;
}

Move PolyglotBook::chooseMove(const std::vector<BookEntry>& entries, BookMode mode) const
{
    if (mode == BookMode::Off || entries.empty())
        return NoMove;
    const BookEntry* best = &entries.front();
    for (const BookEntry& entry : entries)
        if (entry.weight > best->weight)
            best = &entry;
    switch (mode) {
    case BookMode::Best:
        return best->move;
    case BookMode::Good:
        return weightedChoice(entries, std::max<std::uint32_t>(1, (best->weight + 1) / 2));
    case BookMode::Random:
        return weightedChoice(entries, 1);
    case BookMode::Off:
        break;
    }
    return NoMove;
}

bool isPolyglotBookPath(std::string_view path)
{
    constexpr std::string_view kExtension = ".bin";
    if (path.size() < kExtension.size())
        return false;
    std::string_view tail = path.substr(path.size() - kExtension.size());
    for (std::size_t i = 0; i < tail.size(); ++i)
        if (std::tolower(static_cast<unsigned char>(tail[i])) != kExtension[i])
            return false;
    return true;
}

} // namespace velmorak
