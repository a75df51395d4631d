#include "AutosaveFigures.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <ctime>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include <unistd.h>

#include "app/AutosaveRing.h"
#include "app/AutosaveWriter.h"
#include "record/CDatabase.h"
#include "record/CPgnParser.h"
#include "rules/Board.h"
#include "rules/SanNotation.h"
#include "settings/RegistrySettings.h"

namespace velmorak {

namespace {

constexpr int kPlies = 200;
constexpr int kSaves = 50;
constexpr double kGoalMs = 5.0;
// Games of the masters file looked at for a main line of kPlies.
constexpr int kGamesSearched = 20000;

class MemoryStore : public SettingsStore {
public:
    std::optional<RegistryValue> readValue(std::string_view) override { return value; }
    bool writeValue(std::string_view, const RegistryValue& written) override
    {
        value = written;
        return true;
    }
    std::optional<RegistryValue> value;
};

class BenchSources : public TagCompletionSources {
public:
    std::string ownerName() override { return "Bench Owner"; }
    LocalDateTime now() override { return { 2026, 12, 7, 5, 0, 0 }; }
};

int mainLineLength(const CGameNode* node)
{
    int plies = 0;
    for (; node->childCount() > 0; node = node->child(0))
        ++plies;
    return plies;
}

// Adds `plies` moves below node, each the first legal move of the side to move, and takes
// them back on the board.
void addLine(Board& board, CGameNode* node, Move first, int plies)
{
    int made = 0;
    for (Move move = first; made < plies; ++made) {
        std::string san = writeSan(board, move);
        node = node->addChild(std::make_unique<CGameNode>(
            move, std::move(san), node->ply() + 1, "a side line worth a look", 0, 1234));
        board.makeMove(move);
        MoveList replies;
        board.allLegalMoves(replies);
        if (replies.empty()) {
            ++made;
            break;
        }
        move = replies[0];
    }
    for (int i = 0; i < made; ++i)
        board.unmakeMove();
}

// The main line of the first master game of at least kPlies plies, cut to kPlies, with a
// comment every fifth move and a six-ply variation every twentieth; null when the data
// file has no such game.
std::unique_ptr<CPgnGame> benchGame()
{
    CPgnParser parser;
    CDatabase database(parser);
    if (!database.open(std::string(VELMORAK_DATA_DIR) + "/pgn/masters-111k.pgn"))
        return nullptr;
    std::unique_ptr<CPgnGame> source;
    for (int i = 0; i < kGamesSearched && i < int(database.getEntries().size()); ++i) {
        source = database.gotoGame(i);
        if (source && source->getTag("FEN").empty() && mainLineLength(source->root()) >= kPlies)
            break;
        source.reset();
    }
    if (!source)
        return nullptr;
    auto game = std::make_unique<CPgnGame>();
    for (const TagPair& tag : source->tags())
        game->setTag(tag.name, tag.value);
    Board board;
    board.setStartPosition();
    CGameNode* to = game->root();
    const CGameNode* from = source->root();
    for (int ply = 0; ply < kPlies; ++ply) {
        from = from->child(0);
        CGameNode* added =
            to->addChild(std::make_unique<CGameNode>(from->move(), from->san(), to->ply() + 1,
                ply % 5 == 0 ? "the position after this move is the one to remember" : "", 0,
                1000 + ply));
        if (ply % 20 == 10) {
            MoveList moves;
            board.allLegalMoves(moves);
            for (std::size_t i = 0; i < moves.size(); ++i)
                if (!(moves[i] == from->move())) {
                    addLine(board, to, moves[i], 6);
                    break;
                }
        }
        board.makeMove(from->move());
        to = added;
    }
    return game;
}

struct Figures {
    double medianMs = 0;
    double maxMs = 0;
    // Processor time of the median save: the rest of the wall time is waiting for the disk.
    double medianCpuMs = 0;
    bool failed = false;
};

double cpuMs()
{
    timespec now {};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
    return double(now.tv_sec) * 1e3 + double(now.tv_nsec) / 1e6;
}

void summarize(Figures& figures, std::vector<double>& times, std::vector<double>& cpuTimes)
{
    std::sort(times.begin(), times.end());
    figures.medianMs = times[times.size() / 2];
    figures.maxMs = times.back();
    std::sort(cpuTimes.begin(), cpuTimes.end());
    figures.medianCpuMs = cpuTimes[cpuTimes.size() / 2];
}

Figures measure(CPgnGame& game, const std::string& folder, bool fullRing)
{
    MemoryStore store;
    RegistrySettings settings(store);
    BenchSources sources;
    AutosaveRing ring(folder, settings);
    std::filesystem::remove_all(folder);
    Figures figures;
    // Warm-up: the folder, the file and the page cache exist before timing starts; for the
    // replace path the ring is filled to its size first.
    const int warmUp = fullRing ? kAutosaveRingSize : 1;
    for (int i = 0; i < warmUp; ++i)
        figures.failed |= !ring.save(game, {}, sources).ok();
    std::vector<double> times;
    std::vector<double> cpuTimes;
    for (int i = 0; i < kSaves; ++i) {
        if (!fullRing) {
            std::filesystem::remove(ring.path());
            store.value.reset();
        }
        const double cpuStart = cpuMs();
        const auto start = std::chrono::steady_clock::now();
        figures.failed |= !ring.save(game, {}, sources).ok();
        cpuTimes.push_back(cpuMs() - cpuStart);
        times.push_back(
            std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start)
                .count());
    }
    summarize(figures, times, cpuTimes);
    return figures;
}

// What a move costs the interface thread: the text is prepared there, the ring is written on
// the autosave thread (each save is waited for outside the timing, so none is coalesced).
Figures measureInterface(CPgnGame& game, const std::string& folder)
{
    MemoryStore store;
    BenchSources sources;
    std::filesystem::remove_all(folder);
    AutosaveWriter writer(folder, store);
    for (int i = 0; i < kAutosaveRingSize; ++i)
        writer.save(writer.prepare(game, {}, sources));
    writer.flush();
    Figures figures;
    std::vector<double> times;
    std::vector<double> cpuTimes;
    for (int i = 0; i < kSaves; ++i) {
        const double cpuStart = cpuMs();
        const auto start = std::chrono::steady_clock::now();
        writer.save(writer.prepare(game, {}, sources));
        const auto end = std::chrono::steady_clock::now();
        cpuTimes.push_back(cpuMs() - cpuStart);
        times.push_back(std::chrono::duration<double, std::milli>(end - start).count());
        writer.flush();
        figures.failed |= !writer.lastResult().ok();
    }
    summarize(figures, times, cpuTimes);
    return figures;
}

} // namespace

void printAutosaveFigures()
{
    std::unique_ptr<CPgnGame> game = benchGame();
    if (!game) {
        std::printf("autosave: no master game of %d plies found\n", kPlies);
        return;
    }
    game->setFormat(kFilePgnFormat);
    const std::size_t bytes = game->toString().size();
    const std::string folder = std::filesystem::temp_directory_path().string() +
        "/velmorak-autosave-bench-" + std::to_string(::getpid());
    std::printf("autosave of a %d-ply game with comments and variations (%zu bytes), %d saves, "
                "goal %.0f ms\n",
        kPlies, bytes, kSaves, kGoalMs);
    for (int kind = 0; kind < 3; ++kind) {
        const Figures figures =
            kind < 2 ? measure(*game, folder, kind == 0) : measureInterface(*game, folder);
        const char* names[] = { "full ring of 20 (replace)", "fresh file (append)",
            "interface thread's share" };
        std::printf("  %-26s median %6.2f ms (processor %5.2f ms)  max %7.2f ms  %s%s\n",
            names[kind], figures.medianMs, figures.medianCpuMs, figures.maxMs,
            figures.medianMs <= kGoalMs ? "within goal" : "OVER GOAL",
            figures.failed ? "  (some saves FAILED)" : "");
    }
    std::filesystem::remove_all(folder);
}

} // namespace velmorak
