#pragma once

#include <atomic>
#include <cstdint>
#include <mutex>
#include <string>
#include <utility>
#include <vector>

#include "base/Clock.h"
#include "engine/EngineParameters.h"
#include "engine/EnginePlugin.h"
#include "engine/UciProcess.h"
#include "engine/UciProtocol.h"
#include "rules/Board.h"

namespace velmorak {

// Which UCI engine the bridge runs and how.
struct UciBridgeConfig {
    static constexpr const char* kDefaultEngine = "/usr/games/stockfish";
    static constexpr const char* kEngineVariable = "VELMORAK_UCI_ENGINE";

    // Program and arguments.
    std::vector<std::string> command { kDefaultEngine };
    // Shown instead of the engine's "id name" when set.
    std::string name;
    // "setoption" pairs sent after the hash size.
    std::vector<std::pair<std::string, std::string>> options;
    // Engines with large networks need long for "uciok".
    int startTimeoutMs = 60000;
    // An engine that has given no UCI answer at all by then, and is not busy, is not waited
    // for any longer.
    int silentStartTimeoutMs = 5000;
    // After "stop", how long a "bestmove" may take before the engine is killed.
    int stopGraceMs = 5000;
    // Added to a timed search's budget before the bridge sends "stop" itself; then
    // stopGraceMs bounds the answer, so no timed search is waited for much beyond its level.
    int searchSlackMs = 2000;
    // A search (not a ponder search) from which nothing has come for this long while the
    // engine uses no processor time is hung: it is stopped, and ended after stopGraceMs.
    // A silent engine that computes is left alone: deep iterations print little.
    int searchSilenceMs = 10000;

    bool operator==(const UciBridgeConfig&) const = default;

    // Reads "VelmoEngine.ini"-style text: Engine=, Arguments=, Name=, StartTimeout= (ms),
    // Option.NAME=VALUE; a missing file keeps the defaults. $VELMORAK_UCI_ENGINE, when set,
    // replaces the command (blank-separated).
    static UciBridgeConfig load(const std::string& iniPath);
};

// The plug-in contract carried out by a UCI engine in a child process: the fifteen plug-in
// calls as methods. Preparation calls store the game (validated move by move, so that no
// illegal move or position ever reaches the engine); StartAnalyse sends "position" and
// "go", reports every "info" line through the report table and returns after the one
// "bestmove" that answers its "go". StopAnalyse and SetPonderOff may come from another
// thread; a SetPonderOff that arrives before "go ponder" went out is kept and turns that
// search into a normal one.
//
// The engine is started once: by the first call that needs it (the name, StartEngine or a
// search), and kept until ExitEngine or destruction. A start that fails (no such program,
// not executable, not a UCI engine, silent) is remembered with its reason and not tried
// again by this object. An engine that dies after a good start is started afresh by the
// next search, which then searches. A failure never hangs the caller: the search returns
// with nothing reported and lastError() tells why.
class UciBridge {
public:
    UciBridge(UciBridgeConfig config, Clock& clock);
    ~UciBridge();
    UciBridge(const UciBridge&) = delete;
    UciBridge& operator=(const UciBridge&) = delete;

    void startEngine(int hashSizeKb, const EngineCallbacks* callbacks);
    void exitEngine();
    void startAnalyse(int mode);
    void stopAnalyse();
    void setPonderOff();
    void clearHashtables();
    void setPosition(const char* fen);
    void enterMove(const char* move);
    void setBook(const char* path, int mode);
    void setTimeControl(int movesPerPeriod, int secondsPerPeriod);
    void setLevel(int movesToGo, int secondsLeft, int increment, int maxDepth);
    // The engine's "id name" (starting it once to learn it), the configured name, or
    // "VelmoEngine" when the engine cannot be started.
    const char* engineName();

    const UciBridgeConfig& config() const { return m_config; }
    // The strength settings the engine offered at its start, with the values the settings
    // give them (else the engine's defaults); UCI_Elo only beside UCI_LimitStrength, which
    // switches it on. Empty before the engine has started. Any thread.
    std::vector<EngineParameter> strengthParameters() const;
    pid_t enginePid() const { return m_process.pid(); }
    bool isPositionValid() const { return m_positionValid; }
    // Why the last start, preparation or search gave nothing; empty when it went well.
    std::string lastError() const;

private:
    bool ensureEngine();
    bool startProcess();
    bool handshake();
    bool waitFor(std::string_view expected, int timeoutMs, bool handshaking);
    bool sendSearch(const std::string& position, bool ponder, std::int64_t& budget);
    void stopEngineProcess(int graceMs);
    // Ends the process and records why it was lost, with its exit status.
    void loseEngine(const std::string& what);
    std::string engineLabel() const;
    bool tryBookMove();
    void reportInfo(const UciInfo& info);
    void reportBestMove(const UciBestMove& best);
    void report(const char* line, int score);
    void setError(std::string text);

    UciBridgeConfig m_config;
    Clock& m_clock;
    UciProcess m_process;
    // Set when starting the engine failed; kept, so that nobody waits for it twice.
    bool m_startFailed = false;
    const EngineCallbacks* m_callbacks = nullptr;
    int m_hashSizeKb = 16 * 1024;
    long long m_hashMaxMb = 33554432;
    bool m_engineReady = false;
    bool m_newGamePending = true;
    std::string m_idName;
    std::string m_name;
    mutable std::mutex m_strengthMutex;
    std::vector<EngineParameter> m_strength;

    // The game as prepared, validated on the board.
    Board m_board;
    std::string m_startFen;
    std::vector<std::string> m_moves;
    bool m_positionValid = true;
    int m_legalMoveCount = 0;
    std::string m_bookPath;
    int m_bookMode = 0;
    UciLevel m_level;

    // What the running search last reported.
    std::vector<std::string> m_lastPv;
    int m_lastScore = 0;
    bool m_reportedCurrentMove = false;

    // Shared with StopAnalyse and SetPonderOff.
    mutable std::mutex m_stateMutex;
    bool m_goActive = false;
    bool m_ponderActive = false;
    bool m_stopRequested = false;
    bool m_stopSent = false;
    bool m_ponderOffRequested = false;
    // Set while a search waits for an engine it had to start again.
    bool m_stopAbortsWaits = false;
    std::int64_t m_stopSentAt = 0;
    // The running search was stopped because the engine had gone silent.
    bool m_silenceStop = false;
    std::int64_t m_searchClockStart = 0;
    std::string m_lastError;
};

} // namespace velmorak
