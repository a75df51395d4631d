// The server client's line handling: lines per second through callHandlers over a real
// server transcript (goal: 100,000), and the time from a board line to the position on a
// board (goal: under 1 ms). Usage: bench_server [TRANSCRIPT]
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

#include "rules/Board.h"
#include "server/ServerDispatcher.h"
#include "server/Style12.h"

using namespace velmorak;
using Clock = std::chrono::steady_clock;

namespace {

constexpr int kRuns = 7;
constexpr int kRounds = 50;

// Plays a game and observes another, so that every recogniser gets its lines.
class CountingHandler : public ServerLineHandler {
public:
    bool addConsoleLine(std::string_view) override { return true; }
    void log(std::string_view) override { }
    bool serverGameMode() const override { return (events & 1) == 0; }
    bool observeMode() const override { return (events & 1) != 0; }
    bool hasCurrentGame() const override { return true; }
    int serverGameNumber() const override { return 1; }
    bool takeWhoEntries(std::string_view) override { return false; }
    void handleServerLine(const ServerLineEvent&) override { ++events; }

    long events = 0;
};

double secondsSince(Clock::time_point start)
{
    return std::chrono::duration<double>(Clock::now() - start).count();
}

} // namespace

int main(int argc, char** argv)
{
    std::string path = argc > 1 ? argv[1] : VELMORAK_DATA_DIR "/ics/pychess_testing_lines.txt";
    std::ifstream in(path);
    std::vector<std::string> lines;
    for (std::string line; std::getline(in, line);)
        if (!line.starts_with("####"))
            lines.push_back(line);
    if (lines.empty()) {
        std::fprintf(stderr, "no lines in %s\n", path.c_str());
        return 1;
    }
    std::vector<std::string> boardLines;
    std::copy_if(lines.begin(), lines.end(), std::back_inserter(boardLines),
        [](const std::string& line) { return line.starts_with("<12> "); });

    const auto dialects = makeServerDialects();
    double best = 1e9;
    long consumed = 0;
    for (int run = 0; run < kRuns; ++run) {
        CountingHandler handler;
        ServerDispatcher dispatcher(dialects[kFicsDialect], handler);
        consumed = 0;
        auto start = Clock::now();
        for (int round = 0; round < kRounds; ++round)
            for (const std::string& line : lines)
                consumed += dispatcher.callHandlers(line) ? 1 : 0;
        best = std::min(best, secondsSince(start));
    }
    double total = double(lines.size()) * kRounds;
    std::printf("callHandlers: %zu lines x %d, %.0f lines/s (%ld consumed per pass)\n",
        lines.size(), kRounds, total / best, consumed / kRounds);

    best = 1e9;
    std::size_t fens = 0;
    for (int run = 0; run < kRuns; ++run) {
        auto start = Clock::now();
        Board board;
        for (int round = 0; round < kRounds; ++round)
            for (const std::string& line : boardLines) {
                auto record = parseStyle12(line);
                if (record) {
                    board.setFromFen(style12Fen(*record));
                    fens += board.pieceCount() > 0 ? 1 : 0;
                }
            }
        best = std::min(best, secondsSince(start));
    }
    std::printf("style-12 line to board: %zu lines x %d, %.2f us per line (%zu positions)\n",
        boardLines.size(), kRounds, best * 1e6 / double(boardLines.size() * kRounds),
        fens / kRuns / kRounds);
    return 0;
}
