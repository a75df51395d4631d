// Measures, in one run, on each PGN file given (default: the 111,875-game masters file):
// building a database index (tags only) in MB/s and games/s, byte by byte on one thread,
// with the scan's shortcuts on one thread, and with both on every core; the time until the
// first rows can be shown and until the index is complete; reading every game completely
// in games/s, pgn-extract checking every move of the same file (pgn-extract -r -s --quiet)
// in games/s with the ratios, the memory the index takes per game, and filtering and
// sorting the index.
//
// Usage: bench_pgn [--index-only] [FILE...]
//        (bench/make-million-pgn.sh builds a 1-million-game file; --index-only leaves out
//        reading every game and pgn-extract, which take minutes on it)
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <memory>
#include <string>
#include <vector>

#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>

#include "record/CDatabase.h"
#include "record/CPgnParser.h"
#include "record/DatabaseList.h"

extern char** environ;

using namespace velmorak;
using Clock = std::chrono::steady_clock;

namespace {

void benchSearchAndSort(CDatabase& db);

double secondsSince(Clock::time_point start)
{
    return std::chrono::duration<double>(Clock::now() - start).count();
}

// CPU seconds of this process: on a machine shared with other work, the fair measure.
double cpuSeconds()
{
    timespec now {};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
    return double(now.tv_sec) + double(now.tv_nsec) / 1e9;
}

long peakResidentMegabytes()
{
    rusage usage {};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss / 1024;
}

struct Timing {
    double wall = -1;
    double cpu = -1;
};

// Wall and CPU time of pgn-extract checking every move; negative when it cannot be run.
Timing timePgnExtract(const std::string& path)
{
    const char* tool = "/usr/games/pgn-extract";
    std::vector<std::string> args = { tool, "-r", "-s", "--quiet", path };
    std::vector<char*> argv;
    for (std::string& arg : args)
        argv.push_back(arg.data());
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", 1 /* O_WRONLY */, 0);
    posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", 1, 0);
    pid_t pid = 0;
    const auto start = Clock::now();
    int rc = posix_spawn(&pid, tool, &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    if (rc != 0)
        return {};
    int status = 0;
    rusage usage {};
    wait4(pid, &status, 0, &usage);
    Timing timing;
    timing.wall = secondsSince(start);
    timing.cpu = double(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
        double(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
    return timing;
}

void warmPageCache(const std::string& path)
{
    PgnInput input;
    if (!input.openFile(path))
        return;
    std::size_t sum = 0;
    for (std::string_view window; !(window = input.window()).empty(); input.consume(window.size()))
        sum += static_cast<unsigned char>(window.front());
    std::printf("  (page cache warmed, %zu)\n", sum % 10);
}

// Rows a database sheet shows at first.
constexpr std::int64_t kFirstRows = 50;

struct IndexRun {
    double wall = 0;
    double cpu = 0;
    double firstRows = -1;
};

// Opens path into db and times it: the first rows are there at the first progress report
// that counts kFirstRows games (or the end, for smaller files).
IndexRun timeOpen(CDatabase& db, const std::string& path, int threads)
{
    IndexRun run;
    OpenOptions options;
    options.threads = threads;
    const auto start = Clock::now();
    options.progress = [&](const IndexProgress& progress) {
        if (run.firstRows < 0 && progress.games >= kFirstRows)
            run.firstRows = secondsSince(start);
    };
    const double cpuStart = cpuSeconds();
    if (!db.open(path, options))
        return {};
    run.wall = secondsSince(start);
    run.cpu = cpuSeconds() - cpuStart;
    if (run.firstRows < 0)
        run.firstRows = run.wall;
    return run;
}

void benchFile(const std::string& path, bool indexOnly)
{
    std::printf("%s\n", path.c_str());
    warmPageCache(path);

    CPgnParser parser;
    CDatabase db(parser);
    const char* runNames[] = { "byte by byte, 1 thread", "shortcuts, 1 thread",
        "shortcuts, every core" };
    IndexRun runs[3];
    for (int i = 0; i < 3; ++i) {
        parser.setShortcuts(i > 0);
        runs[i] = timeOpen(db, path, i < 2 ? 1 : 0);
        if (runs[i].wall <= 0) {
            std::printf("  cannot open\n");
            return;
        }
    }
    const auto& entries = db.getEntries();
    const double games = double(entries.size());
    const double megabytes = entries.empty() ? 0 : double(entries.back().end) / 1e6;
    for (int i = 0; i < 3; ++i)
        std::printf("  index (tags only), %s: %.0f games, %.1f MB in %.3f s = %.0f MB/s, %.0f "
                    "games/s (CPU %.3f s = %.0f MB/s); first %lld rows after %.3f s\n",
            runNames[i], games, megabytes, runs[i].wall, megabytes / runs[i].wall,
            games / runs[i].wall, runs[i].cpu, megabytes / runs[i].cpu,
            static_cast<long long>(kFirstRows), runs[i].firstRows);
    const double indexSeconds = runs[2].wall;
    const double indexCpu = runs[2].cpu;
    std::printf("  index memory: %.0f bytes per game (entries and the shared tag texts); the file "
                "is read through a %zu KB buffer; peak resident size so far %ld MB\n",
        games ? double(db.indexMemoryBytes()) / games : 0.0, PgnInput::kBufferSize / 1024,
        peakResidentMegabytes());

    if (indexOnly) {
        benchSearchAndSort(db);
        return;
    }
    PgnInput input;
    input.openFile(path);
    CPgnParser reader;
    std::size_t read = 0;
    std::size_t nodes = 0;
    auto start = Clock::now();
    double cpuStart = cpuSeconds();
    for (const CDatabaseEntry& entry : entries) {
        std::unique_ptr<CPgnGame> game;
        std::int64_t end = 0;
        if (reader.readGame(input, entry.start, end, game)) {
            ++read;
            nodes += std::size_t(game->root()->countNodes() - 1);
        }
    }
    const double readSeconds = secondsSince(start);
    const double readCpu = cpuSeconds() - cpuStart;
    const double ours = games / readSeconds;
    std::printf("  readGame, every game: %zu of %.0f read (%zu moves) in %.3f s = %.0f games/s "
                "(CPU %.3f s = %.0f games/s)\n",
        read, games, nodes, readSeconds, ours, readCpu, games / readCpu);

    const Timing extract = timePgnExtract(path);
    if (extract.wall > 0) {
        const double theirs = games / extract.wall;
        std::printf("  pgn-extract -r -s --quiet: %.3f s = %.0f games/s (CPU %.3f s = %.0f "
                    "games/s); ratio readGame / pgn-extract = %.2f wall, %.2f CPU\n",
            extract.wall, theirs, extract.cpu, games / extract.cpu, ours / theirs,
            extract.cpu / readCpu);
        std::printf("  ratio index / pgn-extract = %.1f wall, %.1f CPU\n",
            extract.wall / indexSeconds, extract.cpu / indexCpu);
    } else {
        std::printf("  pgn-extract not found (apt install pgn-extract)\n");
    }

    benchSearchAndSort(db);
}

void benchSearchAndSort(CDatabase& db)
{
    const auto& entries = db.getEntries();
    auto start = Clock::now();
    CDatabaseFilter filter;
    filter.white = "an";
    filter.yearFrom = "1950";
    filter.yearTo = "2000";
    filter.win = true;
    std::vector<CDatabaseEntry> result;
    start = Clock::now();
    db.search(filter, result);
    std::printf("  filter (player \"an\" either colour, 1950-2000, White wins): %zu games in "
                "%.3f s\n",
        result.size(), secondsSince(start));
    filter = {};
    filter.event = "ch";
    filter.ignoreColor = false;
    filter.white = "sen";
    start = Clock::now();
    db.search(filter, result);
    std::printf("  filter (White \"sen\", event \"ch\"): %zu games in %.3f s\n", result.size(),
        secondsSince(start));

    DatabaseList list(db, nullptr);
    std::vector<int> order(entries.size());
    // The first sort by a text also ranks the texts of the index without case.
    for (const int mode : { 2, 2, -4, 5, -1 }) {
        for (std::size_t i = 0; i < order.size(); ++i)
            order[i] = int(i);
        start = Clock::now();
        const double cpuStart = cpuSeconds();
        list.sortOrder(order, mode);
        const char* names[] = { "", "number", "White", "Black", "Event", "Result" };
        std::printf("  sort %zu entries by %s%s: %.3f s (CPU %.3f s)\n", order.size(),
            names[std::abs(mode)], mode < 0 ? " descending" : "", secondsSince(start),
            cpuSeconds() - cpuStart);
    }
}

} // namespace

int main(int argc, char** argv)
{
    std::vector<std::string> files;
    bool indexOnly = false;
    for (int i = 1; i < argc; ++i) {
        if (std::string(argv[i]) == "--index-only")
            indexOnly = true;
        else
            files.push_back(argv[i]);
    }
    if (files.empty())
        files.push_back(std::string(VELMORAK_DATA_DIR) + "/pgn/masters-111k.pgn");
    for (const std::string& file : files)
        benchFile(file, indexOnly);
    return 0;
}
