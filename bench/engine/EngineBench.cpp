// Engine and book figures:
//  1. From the SetPosition/EnterMove calls of a 120-move game to the first report, through
//     the plug-in host, VelmoEngine.vme and the engine output, against the same position
//     sent to Stockfish directly over a pipe, measured in the same run.
//  2. ".kbk" lookups in the default book and in a 5 MB book made from master games, with a
//     Polyglot lookup in Debian's gnuchess book for comparison.
// Usage: bench_engine [ROUNDS]
#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "app/EngineDriver.h"
#include "base/Clock.h"
#include "engine/EngineOutput.h"
#include "engine/EnginePluginHost.h"
#include "engine/OpeningBook.h"
#include "engine/OpeningBookBuilder.h"
#include "engine/PolyglotBook.h"
#include "record/CPgnParser.h"
#include "record/PgnInput.h"
#include "rules/Board.h"
#include "rules/CoordinateNotation.h"
#include "rules/MoveList.h"
#include "support/StockfishDirect.h"

using namespace velmorak;
using BenchClock = std::chrono::steady_clock;

namespace {

double msSince(BenchClock::time_point start)
{
    return std::chrono::duration<double, std::milli>(BenchClock::now() - start).count();
}

double median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values.empty() ? 0.0 : values[values.size() / 2];
}

// A legal game of 240 plies, the same every run: moves picked by a fixed sequence among the
// legal ones, avoiding moves that end the game.
std::vector<std::string> longGame()
{
    Board board;
    std::vector<std::string> moves;
    unsigned state = 12345;
    while (moves.size() < 240) {
        MoveList legal;
        board.allLegalMoves(legal);
        if (legal.empty())
            break;
        state = state * 1103515245u + 12345u;
        std::size_t first = (state >> 8) % legal.size();
        bool made = false;
        for (std::size_t i = 0; i < legal.size() && !made; ++i) {
            Move move = legal[(first + i) % legal.size()];
            board.makeMove(move);
            if (board.gameEnd() == GameEndCode::None) {
                moves.push_back(writeCoordinates(move));
                made = true;
            } else {
                board.unmakeMove();
            }
        }
        if (!made)
            break;
    }
    return moves;
}

std::atomic<bool> g_reported { false };
BenchClock::time_point g_firstReport;

void mark()
{
    if (!g_reported.exchange(true))
        g_firstReport = BenchClock::now();
}
void onNodes(std::uint32_t low, std::uint32_t high)
{
    EngineOutput::reportTable()->reportNodes(low, high);
    mark();
}
void onDepth(int depth, int second)
{
    EngineOutput::reportTable()->reportDepth(depth, second);
    mark();
}
void onCurrent(const char* move, int number, int count)
{
    EngineOutput::reportTable()->reportCurrentMove(move, number, count);
    mark();
}
void onLine(const char* line, int score)
{
    EngineOutput::reportTable()->reportLine(line, score);
    mark();
}
void onValue(int) { }
const EngineCallbacks kTimingTable { 0, &onNodes, &onDepth, &onCurrent, &onLine, &onValue };

void benchReportLatency(int rounds)
{
    std::vector<std::string> game = longGame();
    std::string moves;
    for (const std::string& move : game)
        moves += " " + move;
    std::printf(
        "== First report after a %zu-ply game (%d rounds, go depth 1)\n", game.size(), rounds);

    // Through the host and the plug-in.
    EnginePluginHost host(systemClock(), VELMORAK_BIN_DIR);
    if (!host.load("") || host.engineName() == "VelmoEngine") {
        std::printf("VelmoEngine.vme or its engine is missing; skipped\n");
        return;
    }
    std::vector<double> bridge;
    {
        EngineOutput& output = host.output();
        const EnginePluginFunctions& f = host.functions();
        EngineDriver driver(systemClock(), [](SearchEnded) {});
        if (!driver.startThread(f, &kTimingTable, output, 16 * 1024)) {
            std::printf("the engine thread cannot be started; skipped\n");
            return;
        }
        for (int round = 0; round < rounds + 2; ++round) {
            g_reported = false;
            auto start = BenchClock::now();
            output.clear();
            output.setShadowPosition(kStartFen);
            f.setPosition(kStartFen.data());
            for (const std::string& move : game) {
                output.enterShadowMove(move);
                f.enterMove(move.c_str());
            }
            f.setBook("", 0);
            f.setLevel(1, 999999, 0, 1);
            driver.start(SearchCommand {});
            driver.waitUntilIdle(std::chrono::seconds(60));
            if (round >= 2 && g_reported)
                bridge.push_back(
                    std::chrono::duration<double, std::milli>(g_firstReport - start).count());
        }
    }

    // Stockfish directly, the same commands over a pipe.
    std::optional<std::vector<double>> direct = bench::stockfishReplyTimes(
        "position fen " + std::string(kStartFen) + " moves" + moves, rounds, "info");
    if (!direct) {
        std::printf("stockfish cannot be started; skipped\n");
        return;
    }

    double viaBridge = median(bridge);
    double viaPipe = median(*direct);
    std::printf("through VelmoEngine.vme  %8.3f ms (median)\n", viaBridge);
    std::printf("Stockfish directly       %8.3f ms (median)\n", viaPipe);
    std::printf("added by host and bridge %8.3f ms (target < 5 ms), ratio %.2f\n",
        viaBridge - viaPipe, viaPipe > 0 ? viaBridge / viaPipe : 0.0);
}

std::string fiveMegabyteBook()
{
    // Kept in the build tree: built once per build folder, never left in the checkout.
    std::string path = std::string(VELMORAK_BENCH_DIR) + "/masters-5mb.kbk";
    if (std::filesystem::exists(path))
        return path;
    std::string pgn = std::string(VELMORAK_DATA_DIR) + "/pgn/masters-111k.pgn";
    PgnInput input;
    if (!input.openFile(pgn))
        return {};
    std::printf("(building %s from %s once)\n", path.c_str(), pgn.c_str());
    OpeningBookBuilder builder(42);
    CPgnParser parser;
    std::int64_t offset = 0;
    while (offset < input.size()) {
        std::int64_t end = offset;
        std::unique_ptr<CPgnGame> game;
        if (parser.readGame(input, offset, end, game) && game) {
            std::vector<Move> moves;
            for (CGameNode* node = game->root(); node->childCount() > 0;) {
                node = node->child(0);
                moves.push_back(node->move());
            }
            builder.addGame(moves, OpeningBookBuilder::Result::Unknown);
        } else if (!parser.scanGame(input, offset, end, game)) {
            break;
        }
        if (end <= offset)
            break;
        offset = end;
    }
    if (!builder.write(path).ok())
        return {};
    return path;
}

void benchBookLookups(int rounds)
{
    struct Target {
        const char* name;
        const char* fen;
    } targets[] = {
        { "start position", "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1" },
        { "after 1.e4 e5 2.Nf3 Nc6",
            "r1bqkbnr/pppp1ppp/2n5/4p3/4P3/5N2/PPPP1PPP/RNBQKB1R w KQkq - 2 3" },
        { "Sicilian, 5th move", "rnbqkb1r/pp2pppp/3p1n2/8/3NP3/8/PPP2PPP/RNBQKB1R w KQkq - 1 5" },
        { "out of book (a middlegame)",
            "r1bq1rk1/ppp2ppp/2np1n2/2b1p3/2B1P3/2NP1N2/PPP2PPP/R1BQ1RK1 w - - 0 7" },
        { "worst case: bare kings (no pruning test applies)", "8/8/8/4k3/8/8/4K3/8 w - - 0 1" },
    };
    std::string books[] = { std::string(VELMORAK_BIN_DIR) + "/vmbook.kbk", fiveMegabyteBook() };
    for (const std::string& path : books) {
        if (path.empty() || !std::filesystem::exists(path)) {
            std::printf("book missing, skipped\n");
            continue;
        }
        std::printf("== .kbk lookups in %s (%.2f MB, %d rounds)\n", path.c_str(),
            double(std::filesystem::file_size(path)) / 1e6, rounds);
        for (const Target& target : targets) {
            Board board(target.fen);
            std::vector<double> times;
            std::size_t found = 0;
            for (int round = 0; round < rounds; ++round) {
                auto start = BenchClock::now();
                OpeningBook book;
                found = book.lookup(path, board).size();
                times.push_back(msSince(start));
            }
            std::printf(
                "  %-50s %8.3f ms (median), %zu moves\n", target.name, median(times), found);
        }
    }
    const char* polyglot = "/usr/share/games/gnuchess/book.bin";
    if (std::filesystem::exists(polyglot)) {
        Board board(targets[1].fen);
        std::vector<double> times;
        std::size_t found = 0;
        for (int round = 0; round < rounds; ++round) {
            auto start = BenchClock::now();
            PolyglotBook book;
            found = book.lookup(polyglot, board).size();
            times.push_back(msSince(start));
        }
        std::printf("== reference: Polyglot lookup in %s (%.2f MB): %.3f ms (median), %zu moves\n",
            polyglot, double(std::filesystem::file_size(polyglot)) / 1e6, median(times), found);
    }
}

} // namespace

int main(int argc, char** argv)
{
    int rounds = argc > 1 ? std::max(1, std::atoi(argv[1])) : 20;
    benchReportLatency(rounds);
    benchBookLookups(rounds);
    return 0;
}
