// Perft speed of the board against Stockfish's "go perft", measured in the same run.
// Usage: bench_perft [STOCKFISH_PATH]   (default /usr/games/stockfish)
#include <algorithm>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include <sys/wait.h>
#include <unistd.h>

#include "rules/Board.h"
#include "rules/Perft.h"

using namespace velmorak;
using Clock = std::chrono::steady_clock;

namespace {

// Best of several runs, ours and Stockfish's taken in turn so that both meet the same load.
constexpr int kRuns = 15;

struct Case {
    const char* name;
    const char* fen;
    int depth;
};

const Case kCases[] = {
    { "start position, depth 5", "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1", 5 },
    { "Kiwipete, depth 4", "r3k2r/p1ppqpb1/bn2pnp1/3PN3/1p2P3/2N2Q1p/PPPBBPPP/R3K2R w KQkq - 0 1",
        4 },
};

struct Result {
    std::uint64_t nodes = 0;
    double seconds = 0;
};

Result ours(const Case& c)
{
    Board board(c.fen);
    auto start = Clock::now();
    std::uint64_t nodes = perft(board, c.depth);
    return { nodes, std::chrono::duration<double>(Clock::now() - start).count() };
}

void keepBest(Result& best, const Result& run)
{
    if (best.seconds == 0 || (run.seconds > 0 && run.seconds < best.seconds))
        best = run;
}

// A Stockfish process driven over pipes; the time counts from "go perft" to its answer.
class Stockfish {
public:
    explicit Stockfish(const std::string& path)
    {
        int toChild[2], fromChild[2];
        if (pipe(toChild) != 0 || pipe(fromChild) != 0)
            return;
        m_pid = fork();
        if (m_pid == 0) {
            dup2(toChild[0], 0);
            dup2(fromChild[1], 1);
            close(toChild[1]);
            close(fromChild[0]);
            execl(path.c_str(), path.c_str(), static_cast<char*>(nullptr));
            _exit(127);
        }
        close(toChild[0]);
        close(fromChild[1]);
        m_in = fdopen(toChild[1], "w");
        m_out = fdopen(fromChild[0], "r");
    }
    ~Stockfish()
    {
        if (m_in) {
            std::fputs("quit\n", m_in);
            std::fclose(m_in);
        }
        if (m_out)
            std::fclose(m_out);
        if (m_pid > 0)
            waitpid(m_pid, nullptr, 0);
    }
    bool ok() const { return m_pid > 0 && m_in && m_out; }

    Result perft(const Case& c)
    {
        std::fprintf(m_in, "position fen %s\n", c.fen);
        std::fflush(m_in);
        auto start = Clock::now();
        std::fprintf(m_in, "go perft %d\n", c.depth);
        std::fflush(m_in);
        char line[512];
        while (std::fgets(line, sizeof line, m_out)) {
            if (std::strncmp(line, "Nodes searched: ", 16) == 0) {
                double seconds = std::chrono::duration<double>(Clock::now() - start).count();
                return { std::strtoull(line + 16, nullptr, 10), seconds };
            }
        }
        return {};
    }

private:
    pid_t m_pid = -1;
    FILE* m_in = nullptr;
    FILE* m_out = nullptr;
};

} // namespace

int main(int argc, char** argv)
{
    std::signal(SIGPIPE, SIG_IGN);
    std::string path = argc > 1 ? argv[1] : "/usr/games/stockfish";
    Stockfish stockfish(path);
    std::printf("%-26s %12s %14s %15s %8s %8s\n", "position", "nodes", "ours (n/s)",
        "Stockfish (n/s)", "ratio", "median");
    bool failed = false;
    for (const Case& c : kCases) {
        Result mine, theirs;
        // Each round times ours and then Stockfish's, so a slow spell of the machine hits
        // both; the median of the per-round ratios is the steadier figure.
        std::vector<double> ratios;
        for (int run = 0; run < kRuns; ++run) {
            Result a = ours(c);
            keepBest(mine, a);
            if (!stockfish.ok())
                continue;
            Result b = stockfish.perft(c);
            keepBest(theirs, b);
            if (a.seconds > 0 && b.seconds > 0)
                ratios.push_back(b.seconds / a.seconds);
        }
        std::sort(ratios.begin(), ratios.end());
        double median = ratios.empty() ? 0.0 : ratios[ratios.size() / 2];
        double ourRate = mine.nodes / mine.seconds;
        double theirRate = theirs.seconds > 0 ? theirs.nodes / theirs.seconds : 0;
        std::printf("%-26s %12llu %14.0f %15.0f %8.3f %8.3f\n", c.name,
            static_cast<unsigned long long>(mine.nodes), ourRate, theirRate,
            theirRate > 0 ? ourRate / theirRate : 0.0, median);
        if (theirs.nodes != 0 && theirs.nodes != mine.nodes) {
            std::printf("  node counts differ: Stockfish counted %llu\n",
                static_cast<unsigned long long>(theirs.nodes));
            failed = true;
        }
    }
    std::printf("ratio: best rate over best rate; median: median of the per-round ratios\n");
    if (!stockfish.ok())
        std::printf(
            "(Stockfish not found at %s: install Debian's stockfish package)\n", path.c_str());
    return failed ? 1 : 0;
}
