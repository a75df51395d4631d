#include "engine/EngineOutput.h"

#include <algorithm>
#include <atomic>
#include <cstdio>

#include "rules/CoordinateNotation.h"
#include "rules/SanNotation.h"

namespace velmorak {

namespace {

std::atomic<EngineOutput*> g_reportTarget { nullptr };

void forwardNodes(std::uint32_t low, std::uint32_t high)
{
    if (EngineOutput* output = g_reportTarget.load())
        output->reportNodes(low, high);
}

void forwardDepth(int depth, int secondDepth)
{
    if (EngineOutput* output = g_reportTarget.load())
        output->reportDepth(depth, secondDepth);
}

void forwardCurrentMove(const char* move, int number, int count)
{
    if (EngineOutput* output = g_reportTarget.load())
        output->reportCurrentMove(move, number, count);
}

void forwardLine(const char* line, int score)
{
    if (EngineOutput* output = g_reportTarget.load())
        output->reportLine(line, score);
}

int legalMoveCount(Board& board)
{
    MoveList legal;
    board.allLegalMoves(legal);
    return static_cast<int>(legal.size());
}

void ignoreValue(int) { }

const EngineCallbacks kReportTable { 0, &forwardNodes, &forwardDepth, &forwardCurrentMove,
    &forwardLine, &ignoreValue };

// Ply of the next move in the board's position: 0 for White's first move of a game.
int nextPly(const Board& board)
{
    return 2 * (board.moveNumber() - 1) + (board.sideToMove() == kBlackSide ? 1 : 0);
}

std::string moveNumberText(int ply, bool black)
{
    char buffer[24];
    std::snprintf(buffer, sizeof buffer, black ? "%d.." : "%d.", (ply + 2) / 2);
    return buffer;
}

void skipBlanks(std::string_view text, std::size_t& cursor)
{
    while (cursor < text.size() && text[cursor] == ' ')
        ++cursor;
}

// The newest reply goes to the front; an older copy of it is overwritten by the shift, so
// the list never holds it twice in a row and always keeps ten entries.
void insertExpectedReply(std::array<Move, SearchInfo::kExpectedReplyCount>& replies, Move move)
{
    for (std::size_t i = replies.size() - 1; i > 0; --i)
        if (replies[i - 1] != move)
            replies[i] = replies[i - 1];
    replies[0] = move;
}

} // namespace

std::string cutText(std::string_view text, std::size_t maxLength)
{
    return std::string(text.substr(0, std::min(text.size(), maxLength)));
}

std::string scoreText(int reported, std::uint8_t scoreSide, bool alwaysForWhite)
{
    // Wide enough to turn any score a plug-in reports, the most negative int included.
    long long score = reported;
    if (alwaysForWhite && scoreSide == kBlackSide)
        score = -score;
    // Past mate on the board no score means more: a plug-in's larger value would print a
    // negative mate count.
    constexpr long long kMatedOnTheBoard = 30001;
    score = std::clamp(score, -kMatedOnTheBoard, kMatedOnTheBoard);
    char buffer[32];
    if (score > VELMORAK_MATE_THRESHOLD)
        std::snprintf(buffer, sizeof buffer, "+M%lld", (kMatedOnTheBoard - score) / 2);
    else if (score < -VELMORAK_MATE_THRESHOLD)
        std::snprintf(buffer, sizeof buffer, "-M%lld", (score + kMatedOnTheBoard) / 2);
    else
        std::snprintf(buffer, sizeof buffer, "%+.2f", static_cast<double>(score) / 100.0);
    return buffer;
}

EngineOutput::EngineOutput(const Clock& clock)
    : m_clock(clock)
{
    clearLocked();
}

EngineOutput::~EngineOutput()
{
    EngineOutput* self = this;
    g_reportTarget.compare_exchange_strong(self, nullptr);
}

const EngineCallbacks* EngineOutput::reportTable()
{
    return &kReportTable;
}

void EngineOutput::setReportTarget(EngineOutput* output)
{
    g_reportTarget.store(output);
}

EngineOutput* EngineOutput::reportTarget()
{
    return g_reportTarget.load();
}

void EngineOutput::setChangedHook(std::function<void()> hook)
{
    std::lock_guard lock(m_mutex);
    m_changedHook = std::move(hook);
}

void EngineOutput::changed()
{
    std::function<void()> hook;
    {
        std::lock_guard lock(m_mutex);
        hook = m_changedHook;
    }
    if (hook)
        hook();
}

void EngineOutput::clear()
{
    std::lock_guard lock(m_mutex);
    clearLocked();
}

void EngineOutput::clearLocked()
{
    Board shadow = std::move(m_info.shadowBoard);
    m_info = SearchInfo {};
    m_info.shadowBoard = std::move(shadow);
    m_info.expectedReplies.fill(NoMove);
}

void EngineOutput::setShadowPosition(std::string_view fen)
{
    std::lock_guard lock(m_mutex);
    m_info.shadowBoard.setFromFen(fen);
}

bool EngineOutput::enterShadowMove(std::string_view coordinates)
{
    std::lock_guard lock(m_mutex);
    std::size_t cursor = 0;
    Move move = readCoordinateToken(m_info.shadowBoard, coordinates, cursor);
    if (move == NoMove)
        return false;
    m_info.shadowBoard.makeMove(move);
    return true;
}

void EngineOutput::setSearchStartTick(std::int64_t tick)
{
    std::lock_guard lock(m_mutex);
    m_info.searchStartTick = tick;
}

void EngineOutput::applyNodes(std::uint32_t low, std::uint32_t high)
{
    std::int64_t tick = m_clock.ticks();
    std::lock_guard lock(m_mutex);
    m_info.nodes = std::uint64_t(high) << 32 | low;
    m_info.lastNodeReportTick = tick;
}

void EngineOutput::applyDepth(int depth, int secondDepth)
{
    std::lock_guard lock(m_mutex);
    m_info.depth = depth;
    m_info.secondDepth = secondDepth;
}

void EngineOutput::applyCurrentMove(const char* move, int number, int count)
{
    std::string_view text = move ? std::string_view(move) : std::string_view();
    std::lock_guard lock(m_mutex);
    m_info.currentMoveNumber = number;
    m_info.moveCount = count;
    if (number == 0)
        m_info.currentMoveBase = 1;
    m_info.rawCurrentMove = cutText(text, SearchInfo::kMaxMoveLength);
    std::size_t cursor = 0;
    Move read = readCoordinateToken(m_info.shadowBoard, m_info.rawCurrentMove, cursor);
    m_info.sanCurrentMove = read == NoMove
        ? m_info.rawCurrentMove
        : cutText(writeSan(m_info.shadowBoard, read, true), SearchInfo::kMaxMoveLength);
}

void EngineOutput::applyLine(const char* line, int score)
{
    std::string_view text = line ? std::string_view(line) : std::string_view();
    std::lock_guard lock(m_mutex);
    m_info.score = score;
    m_info.scoreSide = m_info.shadowBoard.sideToMove();
    m_info.rawLine = cutText(text, SearchInfo::kMaxLineLength);
    m_info.lineDepth = m_info.depth;
    if (m_info.rawLine.empty()) {
        m_info.sanLine.clear();
        return;
    }

    Board& board = m_info.shadowBoard;
    const std::string& raw = m_info.rawLine;
    std::string san;
    int ply = nextPly(board);
    int made = 0;
    std::size_t cursor = 0;
    for (;;) {
        skipBlanks(raw, cursor);
        Move move = readCoordinateToken(board, raw, cursor);
        if (move == NoMove)
            break;
        bool black = isBlackPiece(move.piece);
        if (made == 0) {
            san += moveNumberText(ply, black);
        } else {
            san += ' ';
            if (!black)
                san += moveNumberText(ply, false);
        }
        san += writeSan(board, move, true);
        if (made == 1)
            insertExpectedReply(m_info.expectedReplies, move);
        board.makeMove(move);
        ++made;
        ++ply;
    }
    if (raw.back() == '!' || raw.back() == '?')
        san += raw.back();
    for (int i = 0; i < made; ++i)
        board.unmakeMove();
    m_info.sanLine = cutText(san, SearchInfo::kMaxLineLength);
    // A book's move comes as nodes 0, depth 1 and 1, move 1 of 1 and a line of that one move
    // scored 0 (the plug-ins report it so, as the program's own book does). No search says
    // that of a position with more than one legal move.
    m_info.fromBook = made == 1 && score == 0 && m_info.nodes == 0 && m_info.depth == 1 &&
        m_info.secondDepth == 1 && m_info.moveCount == 1 && legalMoveCount(board) > 1;
}

void EngineOutput::reportNodes(std::uint32_t low, std::uint32_t high)
{
    applyNodes(low, high);
    changed();
}

void EngineOutput::reportDepth(int depth, int secondDepth)
{
    applyDepth(depth, secondDepth);
    changed();
}

void EngineOutput::reportCurrentMove(const char* move, int number, int count)
{
    applyCurrentMove(move, number, count);
    changed();
}

void EngineOutput::reportLine(const char* line, int score)
{
    applyLine(line, score);
    changed();
}

SearchInfo EngineOutput::snapshot() const
{
    std::lock_guard lock(m_mutex);
    return m_info;
}

int EngineOutput::nodesPerSecond() const
{
    std::lock_guard lock(m_mutex);
    std::int64_t elapsed = m_info.lastNodeReportTick - m_info.searchStartTick;
    if (elapsed <= 0)
        elapsed = 1;
    // Divide first where the product would overflow: node counts come from the plug-in.
    std::uint64_t nodes = m_info.nodes;
    std::uint64_t rate = nodes > UINT64_MAX / 1000 ? nodes / std::uint64_t(elapsed) * 1000
                                                   : nodes * 1000 / std::uint64_t(elapsed);
    if (rate < kMinNodesPerSecond)
        return kMinNodesPerSecond;
    if (rate > kMaxNodesPerSecond)
        return kMaxNodesPerSecond;
    return static_cast<int>(rate);
}

Move EngineOutput::expectedReply(Board& current) const
{
    std::array<Move, SearchInfo::kExpectedReplyCount> replies;
    {
        std::lock_guard lock(m_mutex);
        replies = m_info.expectedReplies;
    }
    bool whiteToMove = current.sideToMove() == kWhiteSide;
    for (Move reply : replies) {
        if (reply == NoMove || isWhitePiece(reply.piece) != whiteToMove)
            continue;
        Move found =
            current.findMove(reply.from, reply.to, reply.isPromotion() ? reply.piece : kEmpty);
        if (found != NoMove)
            return found;
    }
    return NoMove;
}

} // namespace velmorak
