#pragma once

#include <cstdint>
#include <functional>
#include <mutex>
#include <string>
#include <string_view>

#include "base/Clock.h"
#include "engine/EnginePlugin.h"
#include "engine/SearchInfo.h"

namespace velmorak {

// The engine output record and the five report functions that fill it. Reports come from
// the engine thread, readers sit on the interface thread: every access takes the internal
// lock, and readers get a copy (snapshot). Texts from the plug-in are cut to the lengths of
// SearchInfo, never trusted.
//
// One EngineOutput at a time is the target of the C report table (reportTable()); the
// plug-in host makes its own output the target when it loads a plug-in.
class EngineOutput {
public:
    static constexpr int kMinNodesPerSecond = 1;
    static constexpr int kMaxNodesPerSecond = 10000000;

    // `clock` must outlive this object.
    explicit EngineOutput(const Clock& clock);
    ~EngineOutput();
    EngineOutput(const EngineOutput&) = delete;
    EngineOutput& operator=(const EngineOutput&) = delete;

    // Called after every report, on the reporting thread, outside the lock: where the status
    // area is invalidated so that it is redrawn.
    void setChangedHook(std::function<void()> hook);

    // Zeroes the record and fills the expected replies with NoMove; the shadow board is kept.
    // Whether a search runs is the engine driver's to know, not the record's: clearing the
    // record before the next search must not make a pending search look finished.
    void clear();
    // Sets the shadow board to a FEN, then plays coordinate moves on it (unreadable moves
    // are skipped by the caller's validation, not here).
    void setShadowPosition(std::string_view fen);
    bool enterShadowMove(std::string_view coordinates);
    void setSearchStartTick(std::int64_t tick);
    std::int64_t now() const { return m_clock.ticks(); }

    // --- The report table entries ----------------------------------------------------------
    void reportNodes(std::uint32_t low, std::uint32_t high);
    void reportDepth(int depth, int secondDepth);
    void reportCurrentMove(const char* move, int number, int count);
    void reportLine(const char* line, int score);

    // --- Readers ---------------------------------------------------------------------------
    SearchInfo snapshot() const;
    int nodesPerSecond() const;
    // The newest expected reply that belongs to the side to move of `current` and is legal
    // there, as the legal move found; NoMove when there is none.
    Move expectedReply(Board& current) const;

    // --- The C report table ---------------------------------------------------------------
    // A table whose entries forward to the current target; slot 0 is 0.
    static const EngineCallbacks* reportTable();
    static void setReportTarget(EngineOutput* output);
    static EngineOutput* reportTarget();

private:
    void clearLocked();
    void changed();
    void applyNodes(std::uint32_t low, std::uint32_t high);
    void applyDepth(int depth, int secondDepth);
    void applyCurrentMove(const char* move, int number, int count);
    void applyLine(const char* line, int score);

    const Clock& m_clock;
    std::function<void()> m_changedHook;
    mutable std::mutex m_mutex;
    SearchInfo m_info;
};

// "+1.50", "-0.20", "+M3", "-M1": a score as the status panel shows it. With
// `alwaysForWhite` a score that refers to black is shown with its sign turned.
std::string scoreText(int score, std::uint8_t scoreSide, bool alwaysForWhite);

// Text cut to at most `maxLength` bytes.
std::string cutText(std::string_view text, std::size_t maxLength);

} // namespace velmorak
