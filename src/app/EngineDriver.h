#pragma once

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <thread>

#include "base/Clock.h"
#include "base/Error.h"
#include "engine/EngineOutput.h"
#include "engine/EnginePluginHost.h"
#include "engine/OpeningBook.h"
#include "engine/SearchInfo.h"
#include "rules/Board.h"

namespace velmorak {

// What a search is for. Only the kind decides whether the search is a ponder search
// (StartAnalyse(1)); the others differ in what the controller does with the result.
enum class SearchKind { Move, Ponder, Analysis, Hint };

// One search handed to the engine thread. The plug-in has been prepared (position, book,
// level) by the caller before.
struct SearchCommand {
    SearchKind kind = SearchKind::Move;
    // Ask the program's own book first, in `bookPosition`; a book move is reported through
    // the report table like an engine result and no engine search runs.
    bool askBook = false;
    std::string bookPath {};
    BookMode bookMode = BookMode::Off;
    Board bookPosition {};
};

// What the engine thread hands on when a search is over.
struct SearchEnded {
    std::uint64_t id = 0;
    SearchKind kind = SearchKind::Move;
    // A ponder search that ended by itself, before the predicted move was played.
    bool ponderEndedByItself = false;
    // The search was dropped before it began (a stop came first); nothing was reported.
    bool neverStarted = false;
    bool bookAsked = false;
    bool bookHit = false;
    // The engine output as the search left it: the move to play is the first of its line.
    SearchInfo info;
    std::int64_t endTick = 0;
};

// The engine thread and the commands that drive it. The thread starts the plug-in, runs one
// search per command and ends the plug-in; it only searches: what the search found goes to
// the handler given at construction, which must hand it on (the controller posts it to the
// interface thread) and never touch the game itself.
//
// Commands: one slot, the newest command replacing one not yet taken, the exit command
// overriding both. Every command gets an identity, returned by start(); a search's result
// carries it, so the caller can tell a current search from one it has given up.
//
// The busy flag is set by start(), before the command is signalled, so a command not yet
// taken counts as busy; the engine thread clears it when the search has ended. All calls
// except the handler come from one thread, the caller's (the interface thread).
class EngineDriver {
public:
    using EndedHandler = std::function<void(SearchEnded)>;

    // How long stop() waits for a search to end before it gives up on it (a plug-in that
    // ignores StopAnalyse must not freeze the program).
    static constexpr std::chrono::milliseconds kStopWait { 30000 };

    // `clock` must outlive the driver.
    EngineDriver(const Clock& clock, EndedHandler ended);
    // Ends the thread.
    ~EngineDriver();
    EngineDriver(const EngineDriver&) = delete;
    EngineDriver& operator=(const EngineDriver&) = delete;

    // Starts the engine thread with a plug-in (`functions` copied) and returns once
    // StartEngine has returned on it. `output` is where the report table's reports go; it is
    // read for each search's result and must outlive the thread. An error when the thread
    // cannot be created; a thread already running is ended first.
    Status startThread(const EnginePluginFunctions& functions, const EngineCallbacks* callbacks,
        EngineOutput& output, int hashSizeKb);
    // Stops a search without waiting for anyone else, ends the thread (ExitEngine runs on
    // it) and joins it. Does nothing when no thread runs.
    void endThread();
    bool isRunning() const { return m_thread.joinable(); }
    int hashSizeInUse() const { return m_hashSizeKb; }
    const EnginePluginFunctions& functions() const { return m_functions; }

    // Hands a search to the engine thread and returns its identity at once. Marks the
    // engine busy (and pondering for a ponder search) first. Without a thread nothing runs
    // and 0 is returned.
    std::uint64_t start(const SearchCommand& command);
    // Stops the search that runs or waits, then waits until the engine is idle; false when
    // it did not end within `limit`. A command not yet taken is dropped when
    // `dropWaiting` (its result would be unwanted anyway); otherwise it runs with the stop
    // already requested, so that it still ends with a move (both plug-ins keep a stop that
    // comes before their search until the next position).
    bool stop(bool dropWaiting = true, std::chrono::milliseconds limit = kStopWait);
    // The user played the predicted move: when the ponder search still runs (or waits), it
    // becomes the real search (SetPonderOff) and true is returned, atomically with respect
    // to the search's end. False when it had ended by itself already.
    bool ponderHit();
    // Waits until the engine is idle; false when the time passed first.
    bool waitUntilIdle(std::chrono::milliseconds limit) const;

    bool isBusy() const { return engineBusy.load() != 0; }
    bool isPondering() const { return ponderActive.load() != 0; }

    // Shared with the engine thread. engineBusy: set by start(), cleared by the engine
    // thread after the search; ponderActive: set by start() for a ponder search, cleared by
    // whichever of ponderHit() and the search's end comes first.
    std::atomic<std::uint8_t> engineBusy { 0 };
    std::atomic<std::uint8_t> ponderActive { 0 };
    std::atomic<std::int64_t> searchStartTick { 0 };
    std::atomic<std::int64_t> searchEndTick { 0 };

private:
    void run(int hashSizeKb);
    void runSearch(std::uint64_t id, const SearchCommand& command);
    void finish(SearchEnded ended);

    EngineOutput* m_output = nullptr;
    const Clock& m_clock;
    EndedHandler m_ended;
    EnginePluginFunctions m_functions;
    const EngineCallbacks* m_callbacks = nullptr;
    int m_hashSizeKb = 0;

    mutable std::mutex m_mutex;
    mutable std::condition_variable m_wake;
    bool m_started = false;
    bool m_exit = false;
    // A search runs on the engine thread (taken from the slot, not yet finished).
    bool m_running = false;
    std::optional<SearchCommand> m_pending;
    std::uint64_t m_pendingId = 0;
    std::uint64_t m_lastId = 0;
    std::thread m_thread;
};

} // namespace velmorak
