// Game controller figures:
//  1. From a user move to the engine's first principal variation, through the controller
//     (move entry, autosave, engine preparation, the engine thread), VelmoEngine.vme and
//     Stockfish, against the same position sent to Stockfish directly, in the same run.
//  2. The cost of one autosave of a 200-ply game with variations (AutosaveFigures).
// Usage: bench_controller [ROUNDS]
#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <deque>
#include <filesystem>
#include <map>
#include <mutex>
#include <string>
#include <vector>

#include "AutosaveFigures.h"
#include "app/GameController.h"
#include "engine/EnginePluginHost.h"
#include "rules/CoordinateNotation.h"
#include "sound/SoundOutput.h"
#include "support/StockfishDirect.h"

using namespace velmorak;
using BenchClock = std::chrono::steady_clock;

namespace {

// The opening played before the measured move; the user then plays 9.h3.
const char* const kOpening[] = { "e2e4", "e7e5", "g1f3", "b8c6", "f1b5", "a7a6", "b5a4", "g8f6",
    "e1g1", "f8e7", "f1e1", "b7b5", "a4b3", "d7d6", "c2c3", "e8g8" };
const char* const kMeasuredMove = "h2h3";

class QueueThread final : public UiThread, public EventPump {
public:
    void runFor(std::chrono::milliseconds limit) override
    {
        Task task;
        {
            std::unique_lock lock(m_mutex);
            if (!m_posted.wait_for(lock, limit, [this] { return !m_tasks.empty(); }))
                return;
            task = std::move(m_tasks.front());
            m_tasks.pop_front();
        }
        task();
    }
    void post(Task task) override
    {
        std::lock_guard lock(m_mutex);
        m_tasks.push_back(std::move(task));
        m_posted.notify_all();
    }
    // Runs tasks until `done` holds (checked after each) or the time is up.
    bool runUntil(const std::function<bool()>& done, std::chrono::seconds limit)
    {
        auto deadline = BenchClock::now() + limit;
        while (!done()) {
            Task task;
            {
                std::unique_lock lock(m_mutex);
                if (!m_posted.wait_until(lock, deadline, [this] { return !m_tasks.empty(); }))
                    return false;
                task = std::move(m_tasks.front());
                m_tasks.pop_front();
            }
            task();
        }
        return true;
    }

private:
    std::mutex m_mutex;
    std::condition_variable m_posted;
    std::deque<Task> m_tasks;
};

class QuietPrompts final : public ControllerPrompts {
public:
    void showMessage(std::string_view, std::string_view text, MessageIcon) override
    {
        std::printf("message: %.*s\n", int(text.size()), text.data());
    }
    bool askYesNo(std::string_view, std::string_view, MessageIcon, bool yes) override
    {
        return yes;
    }
    bool askOkCancel(std::string_view, std::string_view) override { return true; }
    NewLineChoice askNewLine(NewLineQuestion&) override { return NewLineChoice::AddMainLine; }
    int selectLine(const CGameNode&) override { return 0; }
};

class NoView final : public ControllerView {
public:
    void drawMove(Move, bool, bool, bool) override { }
    void drawTakeBack(Move, bool) override { }
    void redrawBoard() override { }
    void positionChanged(const Board&) override { }
    void moveEntered(const CGameNode&) override { }
    void setCommandEnabled(ControllerCommand, bool) override { }
    void setCommandChecked(ControllerCommand, bool) override { }
    void invalidateStatus() override { }
    void invalidateMoveList() override { }
    void clearSelection() override { }
    bool isAnimating() const override { return false; }
    void endAnimation() override { }
    void showMoveThereAndBack(Move, std::string_view, bool) override { }
    void setBoardFlipped(bool) override { }
};

class MemoryStore final : public SettingsStore {
public:
    std::optional<RegistryValue> readValue(std::string_view name) override
    {
        auto found = m_values.find(std::string(name));
        return found == m_values.end() ? std::nullopt : std::optional(found->second);
    }
    bool writeValue(std::string_view name, const RegistryValue& value) override
    {
        m_values[std::string(name)] = value;
        return true;
    }

private:
    std::map<std::string, RegistryValue> m_values;
};

class FixedSources final : public TagCompletionSources {
public:
    std::string ownerName() override { return "Bench"; }
    LocalDateTime now() override { return {}; }
};

double median(std::vector<double> values)
{
    if (values.empty())
        return 0;
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

Move parse(const Board& position, const char* text)
{
    Board board = position;
    std::size_t cursor = 0;
    return readCoordinateToken(board, text, cursor);
}

std::atomic<bool> g_reported { false };
BenchClock::time_point g_firstReport;

void controllerLatency(int rounds)
{
    std::printf("== From a user move to the engine's first line (depth 1)\n");
    EnginePluginHost host(systemClock(), VELMORAK_BIN_DIR);
    if (!host.load("") || host.engineName().empty()) {
        std::printf("VelmoEngine.vme or its engine is missing; skipped\n");
        return;
    }
    // The first principal variation, not the first report: the bridge reports a start of
    // its own before the engine has said anything.
    EngineOutput& output = host.output();
    output.setChangedHook([&output] {
        if (!g_reported && !output.snapshot().rawLine.empty() && !g_reported.exchange(true))
            g_firstReport = BenchClock::now();
    });
    char folder[] = "/tmp/velmorak-bench-XXXXXX";
    if (!mkdtemp(folder))
        return;
    MemoryStore store;
    MemoryStore autosaveStore;
    // No book, neither ours nor the engine's: the engine itself is measured.
    store.writeValue("Bookfilename", RegistryValue::string(""));
    store.writeValue("EngineBookfilename", RegistryValue::string(""));
    RegistrySettings settings(store);
    AppSettings options;
    options.guiBook = false;
    options.hashTableSize = 16 * 1024;
    QueueThread ui;
    QuietPrompts prompts;
    NoView view;
    SilentSoundOutput silence;
    MoveSounds sounds(silence, "");
    FixedSources sources;
    std::vector<double> viaController;
    {
        GameController controller(ControllerServices { prompts, view, ui, ui, systemClock(), store,
            settings, options, sounds, sources, folder, autosaveStore, {} });
        controller.setEngineHost(&host);
        LevelRecord level;
        level.setFixed(1, kNoTimeLimit);
        controller.applyLevel(level);
        if (!controller.startEngineThread())
            return;
        for (int round = 0; round < rounds + 2; ++round) {
            options.autoAnswer = false;
            controller.newGame(false);
            for (const char* move : kOpening)
                controller.userMove(parse(controller.board(), move), true);
            options.autoAnswer = true;
            Move measured = parse(controller.board(), kMeasuredMove);
            g_reported = false;
            auto start = BenchClock::now();
            controller.userMove(measured, true);
            ui.runUntil([&] { return !controller.isEngineMoveDue(); }, std::chrono::seconds(60));
            if (round >= 2 && g_reported)
                viaController.push_back(
                    std::chrono::duration<double, std::milli>(g_firstReport - start).count());
        }
    }
    std::filesystem::remove_all(folder);

    std::string moves;
    for (const char* move : kOpening)
        moves += std::string(" ") + move;
    moves += std::string(" ") + kMeasuredMove;
    std::optional<std::vector<double>> direct =
        bench::stockfishReplyTimes("position startpos moves" + moves, rounds, " pv ");
    if (!direct) {
        std::printf("stockfish cannot be started; skipped\n");
        return;
    }

    double controllerMs = median(viaController);
    double directMs = median(*direct);
    std::printf(
        "through the controller   %8.3f ms (median of %zu)\n", controllerMs, viaController.size());
    std::printf("Stockfish directly       %8.3f ms (median)\n", directMs);
    std::printf("added by the program     %8.3f ms (target < 5 ms), ratio %.2f\n",
        controllerMs - directMs, directMs > 0 ? controllerMs / directMs : 0.0);
}

} // namespace

int main(int argc, char** argv)
{
    int rounds = argc > 1 ? std::max(1, std::atoi(argv[1])) : 20;
    controllerLatency(rounds);
    std::printf("\n");
    printAutosaveFigures();
    return 0;
}
