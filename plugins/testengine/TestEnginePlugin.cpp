#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <mutex>
#include <sstream>
#include <string>
#include <vector>

#include "TestEngine.h"
#include "engine/EnginePlugin.h"
#include "rules/Board.h"
#include "rules/CoordinateNotation.h"
#include "rules/MoveList.h"

namespace {

using velmorak::Board;
using velmorak::Move;
using velmorak::MoveList;

std::mutex g_mutex;
std::condition_variable g_wake;
bool g_stop = false;
bool g_ponderOff = false;
const EngineCallbacks* g_callbacks = nullptr;
std::string g_error;
Board g_board;
int g_searchIndex = 0;

std::string scriptText()
{
    if (const char* path = std::getenv(VELMORAK_TESTENGINE_SCRIPT_VARIABLE); path && *path) {
        std::ifstream file(path);
        std::stringstream text;
        text << file.rdbuf();
        return text.str();
    }
    std::string text;
    if (const char* inline_ = std::getenv(VELMORAK_TESTENGINE_TEXT_VARIABLE))
        for (const char* c = inline_; *c; ++c)
            text.push_back(*c == ';' ? '\n' : *c);
    return text;
}

std::vector<std::vector<std::string>> scriptBlocks(std::string* name = nullptr)
{
    std::vector<std::vector<std::string>> blocks(1);
    std::istringstream lines(scriptText());
    std::string line;
    while (std::getline(lines, line)) {
        std::size_t start = line.find_first_not_of(" \t\r");
        if (start == std::string::npos)
            continue;
        line = line.substr(start);
        if (line == "---")
            blocks.emplace_back();
        else if (line.rfind("name ", 0) == 0) {
            if (name)
                *name = line.substr(5);
        } else if (line[0] != '#')
            blocks.back().push_back(line);
    }
    return blocks;
}

void logCall(const std::string& text)
{
    const char* path = std::getenv(VELMORAK_TESTENGINE_LOG_VARIABLE);
    if (!path || !*path)
        return;
    static std::mutex logMutex;
    std::lock_guard lock(logMutex);
    if (std::FILE* file = std::fopen(path, "a")) {
        std::fprintf(file, "%s\n", text.c_str());
        std::fclose(file);
    }
}

std::string firstLegalMove(Board& board)
{
    MoveList moves;
    board.allLegalMoves(moves);
    return moves.empty() ? std::string() : velmorak::writeCoordinates(moves[0]);
}

// Waits until the predicate holds or the time has passed; -1 waits without limit.
template <typename Predicate> void waitFor(Predicate predicate, long milliseconds)
{
    std::unique_lock lock(g_mutex);
    if (milliseconds < 0)
        g_wake.wait(lock, predicate);
    else
        g_wake.wait_for(lock, std::chrono::milliseconds(milliseconds), predicate);
}

bool stopped()
{
    std::lock_guard lock(g_mutex);
    return g_stop;
}

void runLine(const std::string& line, Board& board, int legalCount)
{
    std::istringstream words(line);
    std::string command;
    words >> command;
    if (command == "nodes") {
        unsigned long long nodes = 0;
        words >> nodes;
        g_callbacks->reportNodes(std::uint32_t(nodes), std::uint32_t(nodes >> 32));
    } else if (command == "depth") {
        int depth = 0;
        words >> depth;
        int second = depth;
        words >> second;
        g_callbacks->reportDepth(depth, second);
    } else if (command == "current") {
        std::string move;
        int number = 0;
        int count = legalCount;
        words >> move >> number >> count;
        if (move == "first")
            move = firstLegalMove(board);
        g_callbacks->reportCurrentMove(move.c_str(), number, count);
    } else if (command == "line") {
        int score = 0;
        words >> score;
        std::string text;
        std::string move;
        while (words >> move) {
            if (move.rfind("first", 0) == 0)
                move = firstLegalMove(board) + move.substr(5);
            if (!text.empty())
                text += ' ';
            text += move;
        }
        g_callbacks->reportLine(text.c_str(), score);
    } else if (command == "error") {
        std::string text;
        std::getline(words >> std::ws, text);
        std::lock_guard lock(g_mutex);
        g_error = text;
    } else if (command == "sleep") {
        long ms = 0;
        words >> ms;
        waitFor([] { return g_stop; }, ms);
    } else if (command == "waitstop") {
        waitFor([] { return g_stop; }, -1);
    } else if (command == "waitponder") {
        waitFor([] { return g_stop || g_ponderOff; }, -1);
    }
}

bool isReport(const std::string& line)
{
    for (const char* word : { "nodes", "depth", "current", "line", "error" })
        if (line.rfind(word, 0) == 0)
            return true;
    return false;
}

} // namespace

extern "C" {

void StartEngine(int hashSizeKb, const EngineCallbacks* callbacks)
{
    logCall("StartEngine " + std::to_string(hashSizeKb));
    std::lock_guard lock(g_mutex);
    g_callbacks = callbacks;
    g_searchIndex = 0;
}

void ExitEngine(void)
{
    logCall("ExitEngine");
    std::lock_guard lock(g_mutex);
    g_callbacks = nullptr;
}

void StartAnalyse(int mode)
{
    logCall("StartAnalyse " + std::to_string(mode));
    std::vector<std::vector<std::string>> blocks = scriptBlocks();
    Board board;
    {
        std::lock_guard lock(g_mutex);
        board = g_board;
    }
    std::size_t index = std::min<std::size_t>(std::size_t(g_searchIndex++), blocks.size() - 1);
    {
        std::lock_guard lock(g_mutex);
        g_error.clear();
    }
    const std::vector<std::string>& block = blocks[index];
    if (!g_callbacks)
        return;
    bool wait = std::find(block.begin(), block.end(), "nowait") == block.end();
    if (mode == VELMORAK_SEARCH_PONDER && wait)
        waitFor([] { return g_stop || g_ponderOff; }, -1);

    MoveList legal;
    board.allLegalMoves(legal);
    int legalCount = static_cast<int>(legal.size());
    bool reports = false;
    for (const std::string& line : block) {
        if (line == "stopcheck") {
            if (stopped())
                break;
            continue;
        }
        reports = reports || isReport(line);
        runLine(line, board, legalCount);
    }
    if (!reports && legalCount > 0) {
        for (const char* line : { "nodes 1", "depth 1 1", "current first 1", "line 0 first" })
            runLine(line, board, legalCount);
    }
    std::lock_guard lock(g_mutex);
    g_stop = false;
    g_ponderOff = false;
}

void StopAnalyse(void)
{
    logCall("StopAnalyse");
    std::lock_guard lock(g_mutex);
    g_stop = true;
    g_wake.notify_all();
}

void SetPonderOff(void)
{
    logCall("SetPonderOff");
    std::lock_guard lock(g_mutex);
    g_ponderOff = true;
    g_wake.notify_all();
}

void ClearHashtables(void)
{
    logCall("ClearHashtables");
}

void SetPosition(const char* fen)
{
    logCall(std::string("SetPosition ") + (fen ? fen : ""));
    std::lock_guard lock(g_mutex);
    g_board.setFromFen(fen ? fen : "");
    g_stop = false;
    g_ponderOff = false;
}

void EnterMove(const char* move)
{
    logCall(std::string("EnterMove ") + (move ? move : ""));
    std::lock_guard lock(g_mutex);
    std::size_t cursor = 0;
    Move legal = velmorak::readCoordinateToken(g_board, move ? move : "", cursor);
    if (legal != velmorak::NoMove)
        g_board.makeMove(legal);
}

void SetBook(const char* path, int mode)
{
    logCall(std::string("SetBook ") + (path ? path : "") + " " + std::to_string(mode));
}

void SetTimeControl(int moves, int seconds)
{
    logCall("SetTimeControl " + std::to_string(moves) + " " + std::to_string(seconds));
}

void SetLevel(int movesToGo, int secondsLeft, int increment, int maxDepth)
{
    logCall("SetLevel " + std::to_string(movesToGo) + " " + std::to_string(secondsLeft) + " " +
        std::to_string(increment) + " " + std::to_string(maxDepth));
}

const char* GetEngineName(void)
{
    // Read once: the text must stay put while the library is loaded.
    static const std::string name = [] {
        std::string text = "TestEngine";
        scriptBlocks(&text);
        return text;
    }();
    return name.c_str();
}

int GetParameterList(char* buffer, int bufferSize)
{
    if (buffer && bufferSize > 0)
        buffer[0] = '\0';
    return 0;
}

int SetParameter(const char*, const char*)
{
    return -1;
}
int GetInterfaceVersion(void)
{
    return 1;
}

const char* GetEngineError(void)
{
    std::lock_guard lock(g_mutex);
    return g_error.c_str();
}

} // extern "C"
