#include "present/StatusPanel.h"

#include <algorithm>
#include <cstdio>
#include <vector>

#include "engine/EngineOutput.h"
#include "record/CGameNode.h"
#include "record/CPgnGame.h"

namespace velmorak {

namespace {

std::string format(const char* pattern, auto... values)
{
    int size = std::snprintf(nullptr, 0, pattern, values...);
    std::string text(static_cast<std::size_t>(std::max(size, 0)), '\0');
    std::snprintf(text.data(), text.size() + 1, pattern, values...);
    return text;
}

bool isTwoLinePlayersLayout(int layout)
{
    return layout == 1 || layout == 8;
}

bool atRoot(const CGameNode* node)
{
    return node == nullptr || node->parent() == nullptr;
}

// The engine's line counts as present once it has more than a stray character.
bool hasEngineLine(const StatusInput& in)
{
    return in.info.rawLine.size() >= 2;
}

std::string playersOrEngineLine(const StatusInput& in)
{
    return in.hasAnalysisList || !hasEngineLine(in) ? playersLine(in) : engineLine(in);
}

bool gameView(const StatusInput& in)
{
    return in.showLevelLine || (!in.showMainline && !in.analysisMode);
}

std::string nameWithRating(const std::string& name, const std::string& rating)
{
    return rating.empty() ? name : name + " (" + rating + ")";
}

} // namespace

bool isLandscapeLayout(int layout)
{
    return layout == 3 || layout == 10;
}

std::string cutCharacters(std::string_view text, std::size_t maxCharacters)
{
    std::size_t characters = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
        // A continuation byte belongs to the character before it.
        if ((static_cast<unsigned char>(text[i]) & 0xC0) == 0x80)
            continue;
        if (characters == maxCharacters)
            return std::string(text.substr(0, i));
        ++characters;
    }
    return std::string(text);
}

std::string trainingLine(const StatusInput& in)
{
    if (isLandscapeLayout(in.layout))
        return in.whiteToMove ? "Training:White moves" : "Training:Black moves";
    return in.whiteToMove ? "Training: White to move" : "Training: Black to move";
}

std::string moveLine(const StatusInput& in)
{
    if (in.trainingMode)
        return trainingLine(in);
    if (atRoot(in.currentNode))
        return " ";
    std::string move = in.currentNode->san();
    move += nagGlyph(in.currentNode->nag());
    bool landscape = isLandscapeLayout(in.layout);
    // The side to move tells whose move was the last: Black to move follows a White move.
    const char* pattern = in.whiteToMove ? (landscape ? "Move %d... %s" : "Last move %d... %s")
                                         : (landscape ? "Move %d. %s" : "Last move %d. %s");
    // The game's own numbering, as its move list and PGN print it: a game set up at move 30
    // goes on with 30, not 1.
    return format(pattern, in.currentNode->moveNumber(), move.c_str());
}

std::string playersLine(const StatusInput& in)
{
    const StatusTags& tags = in.tags;
    if (tags.white.empty() || tags.black.empty())
        return " ";
    if (isTwoLinePlayersLayout(in.layout) && !in.hasAnalysisList)
        return format("%s - %s, %s\n%s,%s", tags.white.c_str(), tags.black.c_str(),
            tags.result.c_str(), tags.date.c_str(), tags.event.c_str());
    return format("%s - %s, %s", tags.white.c_str(), tags.black.c_str(), tags.result.c_str());
}

std::string searchLine(const StatusInput& in)
{
    const SearchInfo& info = in.info;
    if (isLandscapeLayout(in.layout))
        return format("D%d %s(%d/%d)", info.depth, info.sanCurrentMove.c_str(),
            info.displayedMoveNumber(), info.moveCount);
    return format("D%d %s(%d/%d) %dkNps", info.depth, info.sanCurrentMove.c_str(),
        info.displayedMoveNumber(), info.moveCount, in.nodesPerSecond / 1000);
}

std::string ponderLine(const StatusInput& in)
{
    const SearchInfo& info = in.info;
    if (isLandscapeLayout(in.layout))
        return format("D%d %s %s(%d/%d)", info.depth, in.ponderSan.c_str(),
            info.sanCurrentMove.c_str(), info.displayedMoveNumber(), info.moveCount);
    return format("D%d %s %s(%d/%d) %dkNps", info.depth, in.ponderSan.c_str(),
        info.sanCurrentMove.c_str(), info.displayedMoveNumber(), info.moveCount,
        in.nodesPerSecond / 1000);
}

std::string engineLine(const StatusInput& in)
{
    const SearchInfo& info = in.info;
    if (info.fromBook)
        return cutCharacters("Book " + info.sanLine, in.lineWidth);
    std::string score = scoreText(info.score, info.scoreSide, in.scoreAlwaysForWhite);
    return cutCharacters(
        format("D%d %s %s", info.lineDepth, score.c_str(), info.sanLine.c_str()), in.lineWidth);
}

std::string headerLine(const StatusInput& in, std::size_t maxLength)
{
    if (in.trainingMode)
        return {};
    std::string text;
    if (!in.serverConnected) {
        if (in.currentNode)
            text = in.currentNode->comment();
        // The server client's placeholder on a root it built is not the user's comment.
        if (text == kRootPlaceholderComment)
            text.clear();
        return cutCharacters(text, maxLength);
    }
    if (in.serverMarker)
        text = "(:-) ";
    bool twoLines = isTwoLinePlayersLayout(in.layout);
    if (!in.serverPlayOrObserve && !twoLines) {
        text += in.serverStatus;
    } else {
        const StatusTags& tags = in.tags;
        text += nameWithRating(tags.white, tags.whiteElo) + " - " +
            nameWithRating(tags.black, tags.blackElo) + ", " + tags.result;
        if (twoLines)
            text += "\n" + in.serverStatus;
    }
    return cutCharacters(text, maxLength);
}

StatusLines statusLines(const StatusInput& in)
{
    StatusLines lines;
    if (!in.helpSearchText.empty()) {
        lines.first = in.helpSearchText;
        lines.second = playersOrEngineLine(in);
        return lines;
    }
    if (gameView(in)) {
        bool searching = in.engineBusy && !in.ponderActive;
        if (searching)
            lines.first = "Thinking...";
        else if (in.showLevelLine)
            lines.first = in.trainingMode ? trainingLine(in) : in.levelLine;
        else
            lines.first = moveLine(in);
        lines.second = playersOrEngineLine(in);
        return lines;
    }
    bool ponderWaiting = in.ponderResultReady && !in.engineBusy && in.ponderMove != NoMove;
    if (in.ponderActive || ponderWaiting)
        lines.first = ponderLine(in);
    else if (!in.engineBusy)
        lines.first = moveLine(in);
    else
        lines.first = searchLine(in);
    if (in.hasAnalysisList)
        lines.second = playersLine(in);
    else if (!hasEngineLine(in))
        lines.second = headerLine(in, kHeaderLineLength);
    else
        lines.second = engineLine(in);
    return lines;
}

std::string playersBelow(const StatusInput& in, const StatusLines& lines)
{
    if (isLandscapeLayout(in.layout))
        return {};
    StatusInput oneLine = in;
    // The date and event of the two-line layouts are left to the second line's own turn.
    oneLine.hasAnalysisList = true;
    std::string players = playersLine(oneLine);
    if (players == " " || lines.second.starts_with(players) || lines.first == players)
        return {};
    return players;
}

// --- AnalysisList ---------------------------------------------------------------------------

bool AnalysisList::addAnalysisLine(const StatusInput& in, std::int64_t now)
{
    bool cleared = false;
    if (in.lineSerial != m_lineSerial) {
        cleared = !m_entries.empty();
        clear();
        m_lineSerial = in.lineSerial;
    }
    if (!in.showMainline && !in.analysisMode)
        return cleared;
    const SearchInfo& info = in.info;
    if (info.sanLine.empty())
        return cleared;
    std::string line = cutCharacters(info.sanLine, kMaxLineLength);
    if (m_lastDepth == info.lineDepth && line == m_lastLine)
        return cleared;
    std::string data = "  Book";
    if (!info.fromBook) {
        std::int64_t seconds = std::max<std::int64_t>(0, (now - info.searchStartTick) / 1000);
        std::string score = scoreText(info.score, info.scoreSide, in.scoreAlwaysForWhite);
        data = format("  (%s) Depth %d Time %02lld:%02lld", score.c_str(), info.lineDepth,
            static_cast<long long>(seconds / 60), static_cast<long long>(seconds % 60));
    }

    m_lastDepth = info.lineDepth;
    m_lastLine = line;
    m_lastAdded = { line, data };
    // The line above its data line, both above everything older.
    m_entries.push_front(std::move(data));
    m_entries.push_front(std::move(line));
    while (m_entries.size() > kMaxEntries)
        m_entries.pop_back();
    return true;
}

void AnalysisList::clear()
{
    m_entries.clear();
    m_lastAdded = {};
    m_lastDepth.reset();
    m_lastLine.clear();
}

// --- LandscapeMoveList ----------------------------------------------------------------------

namespace {

struct MoveRow {
    int number = 0;
    const CGameNode* white = nullptr;
    const CGameNode* black = nullptr;
};

LandscapeMoveList::Cell cellOf(const CGameNode* node, const CGameNode* current)
{
    LandscapeMoveList::Cell cell;
    if (node) {
        cell.text = node->san();
        cell.text += nagGlyph(node->nag());
        cell.node = node;
        cell.current = node == current;
    }
    return cell;
}

} // namespace

LandscapeMoveList::LandscapeMoveList(const CGameNode* root, const CGameNode* current, int rows)
    : m_rows(std::size_t(std::max(rows, 1)))
{
    const int shown = int(m_rows.size());
    // Enough plies on either side of the current move to fill the rows around it.
    const int pliesAround = 2 * shown;
    if (atRoot(current))
        current = nullptr;
    std::vector<const CGameNode*> line;
    for (const CGameNode* node = current; node && node->parent() && int(line.size()) < pliesAround;
         node = node->parent())
        line.push_back(node);
    std::reverse(line.begin(), line.end());
    const CGameNode* next = current ? current->child(0) : (root ? root->child(0) : nullptr);
    for (int i = 0; next && i < pliesAround; ++i, next = next->child(0))
        line.push_back(next);

    std::vector<MoveRow> all;
    int currentRow = 0;
    for (const CGameNode* node : line) {
        bool black = node->isBlackMove();
        // A Black move joins the row of White's move of the same number; any other move
        // opens a row.
        if (all.empty() || !black || all.back().number != node->moveNumber() || all.back().black)
            all.push_back({ node->moveNumber(), nullptr, nullptr });
        (black ? all.back().black : all.back().white) = node;
        if (node == current)
            currentRow = int(all.size()) - 1;
    }
    int total = int(all.size());
    int first = std::clamp(currentRow - 2, 0, std::max(0, total - shown));
    for (int i = 0; i < shown && first + i < total; ++i) {
        const MoveRow& source = all[std::size_t(first + i)];
        Row& row = m_rows[std::size_t(i)];
        row.number = format("%d.", source.number);
        row.white = cellOf(source.white, current);
        row.black = cellOf(source.black, current);
    }
}

const CGameNode* LandscapeMoveList::nodeAt(int row, int column) const
{
    if (row < 0 || row >= int(m_rows.size()))
        return nullptr;
    const Row& shown = m_rows[std::size_t(row)];
    if (column == WhiteColumn)
        return shown.white.node;
    if (column == BlackColumn)
        return shown.black.node;
    return nullptr;
}

int LandscapeMoveList::columnAt(int x, int width)
{
    if (x < 0 || width <= 0)
        return -1;
    int numberWidth = width / 5;
    int moveWidth = width / 3;
    if (x < numberWidth)
        return NumberColumn;
    if (x < numberWidth + moveWidth)
        return WhiteColumn;
    if (x < numberWidth + 2 * moveWidth)
        return BlackColumn;
    return -1;
}

// --- StatusRedraw ---------------------------------------------------------------------------

StatusRedraw::Areas StatusRedraw::tick(int currentMoveNumber)
{
    Areas areas;
    areas.status = currentMoveNumber != m_lastMoveNumber;
    m_lastMoveNumber = currentMoveNumber;
    return areas;
}

} // namespace velmorak
