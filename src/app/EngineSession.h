#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "app/ControllerPrompts.h"
#include "app/ControllerState.h"
#include "app/ControllerView.h"
#include "app/EngineDriver.h"
#include "app/EventPump.h"
#include "app/SearchLevel.h"
#include "app/UiThread.h"
#include "base/Clock.h"
#include "engine/EnginePluginHost.h"
#include "settings/AppSettings.h"
#include "settings/SettingsStore.h"

namespace velmorak {

inline constexpr Clock::TimerId kEngineResultTimer = 101;
// How often a finished search looks again whether an animation or a message box still
// holds its move back.
inline constexpr int kEngineResultRetryMs = 30;
// The program's own book is not asked again after this many misses in a row.
inline constexpr int kMaxBookMisses = 5;
// A hint or threat search gets 5 s (its level); beyond this it is stopped.
inline constexpr std::chrono::milliseconds kHelpSearchWait { 15000 };

// The engine's side of a game: the engine thread and the searches the game asks for, which
// of them is current, the ponder search and its result, a finished search held back by an
// animation or a message box, the hint and threat searches and the hash-size restart.
//
// It decides nothing about the game: a search for the engine's move that is still wanted
// when it can be played goes to the Client, which plays it (or not) on the game. All calls
// come on the interface thread; a search's end arrives there as a posted task.
class EngineSession {
public:
    // What the session hands back to the game.
    class Client {
    public:
        virtual ~Client() = default;
        // A finished search for the engine's move, no longer held back; `thinkingMs` counts
        // from its start or from the ponder hit that made it real.
        virtual void engineMoveFound(const SearchEnded& ended, std::int64_t thinkingMs) = 0;
        // The ponder search on the move the user has meanwhile played has ended: its move is
        // played at once, charged no time.
        virtual void ponderedMoveFound(const SearchInfo& info) = 0;
        // A message box; the session's boxes are counted as the game's own.
        virtual void showMessage(std::string_view text, MessageIcon icon) = 0;
    };

    struct Services {
        ControllerState& state;
        ControllerView& view;
        UiThread& ui;
        EventPump& pump;
        Clock& clock;
        SettingsStore& store;
        AppSettings& options;
        // Half of this is the most the engine's hash table may take; nullopt when unknown.
        std::function<std::optional<std::int64_t>()> availableMemoryKb;
    };

    // All services and the client must outlive the session.
    EngineSession(Services services, Client& client);
    // Ends the engine thread.
    ~EngineSession();
    EngineSession(const EngineSession&) = delete;
    EngineSession& operator=(const EngineSession&) = delete;

    // The plug-in host whose loaded plug-in the engine thread drives; null or unloaded
    // means "no engine". Must outlive the session.
    void setHost(EnginePluginHost* host);
    EnginePluginHost* host() const { return m_host; }
    bool isLoaded() const { return m_host && m_host->isLoaded(); }
    // "No engine loaded. Can´t start search".
    void noEngineMessage();
    // Starts the engine thread with the hash size the options and the free memory allow (a
    // lowered size is stored back into the options); the message says why when it cannot.
    bool startThread();
    // Ends a running search without its result, then the thread.
    void endThread();

    // A search for the move to play (or the analysis when the state says so) on the game's
    // current position. A ponder search gives way to it; a search for a move already
    // running is left alone.
    void startSearch(const SearchLevelInputs& level, const LevelRecord& record);
    // A ponder search on `predicted`, the reply the engine expects, with the level of its
    // own next move.
    void startPonder(Move predicted, const SearchLevelInputs& level, const LevelRecord& record);
    // The user played `move`: true when it was the predicted one and the ponder search (its
    // move, or the search going on as the real one) answers it; false when a search is to
    // start.
    bool answerFromPonder(Move move);
    void ponderHit();
    // Stops the engine. `playResult` false first gives the running search up, so its move
    // is never played, and waits until the engine is idle; true only asks the search to
    // end and returns: its move arrives as the search's end.
    void stop(bool playResult);
    // Forgets the ponder search's result and the predicted move.
    void forgetPonder();

    // Runs a hint search on the current position, or a threat search on `threatFen`, to its
    // end or kHelpSearchWait and returns what the engine reported; its move is never
    // played. The interface thread runs on meanwhile (the event pump) with the game's
    // engine moves and timer steps held back as under a message box. False (message
    // shown) when no engine thread runs.
    std::optional<SearchInfo> runHelpSearch(
        const std::string& searchingText, const std::string* threatFen);

    // The reason the last search gave no move, as the plug-in tells it; empty when unknown.
    std::string failureReason() const;
    void clearOutput();
    // Clears the engine's hash tables when a thread runs.
    void clearHashtables();

    bool isRunning() const { return m_driver.isRunning(); }
    bool isBusy() const { return m_driver.isBusy(); }
    bool isPondering() const { return m_driver.isPondering(); }
    // The engine searches for its own move (not pondering, not analysing, no hint).
    bool isSearchingForMove() const;
    // An engine move is still to come: a search whose move will be played, or a finished
    // one waiting for an animation or a message box.
    bool isMoveDue() const;
    std::int64_t searchStartTick() const { return m_driver.searchStartTick.load(); }
    const EngineDriver& driver() const { return m_driver; }
    // The analysis line as it stands; empty without a plug-in.
    SearchInfo snapshot() const;
    // The reply the engine's output expects in `board`; NoMove when none.
    Move expectedReply(const Board& board) const;

    // The result timer fell due.
    void resultTimer() { playPendingResult(); }

private:
    void searchEnded(const SearchEnded& ended);
    void playPendingResult();
    void prepare();
    void sendLevel(const SearchLevelInputs& inputs, const LevelRecord& record);
    void restartForHashSize();
    void armResultTimer();
    bool readyForHelp();

    ControllerState& m_state;
    ControllerView& m_view;
    UiThread& m_ui;
    EventPump& m_pump;
    Clock& m_clock;
    SettingsStore& m_store;
    AppSettings& m_options;
    std::function<std::optional<std::int64_t>()> m_availableMemoryKb;
    Client& m_client;

    EnginePluginHost* m_host = nullptr;
    EngineDriver m_driver;
    // Identity of the search whose result is wanted; 0 when none is.
    std::uint64_t m_searchId = 0;
    SearchKind m_searchKind = SearchKind::Move;
    // A finished search held back by an animation or a message box.
    std::optional<SearchEnded> m_pendingResult;
    std::int64_t m_pendingThinkingMs = 0;
    // The finished ponder search, kept until the predicted move is played.
    std::optional<SearchEnded> m_ponderResult;
    // The predicted move was played while the ponder search's end was on its way.
    bool m_playPonderResultOnArrival = false;
    // The running hint or threat search, and whether its end has arrived.
    std::uint64_t m_helpSearchId = 0;
    bool m_helpSearchEnded = false;
    // Tasks posted by the engine thread check this before touching a destroyed session.
    std::shared_ptr<EngineSession*> m_alive;
};

} // namespace velmorak
