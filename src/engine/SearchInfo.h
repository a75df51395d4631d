#pragma once

#include <array>
#include <cstdint>
#include <string>

#include "rules/Board.h"
#include "rules/Move.h"

namespace velmorak {

// What the engine has reported about the running or the last search. Filled by the report
// functions of EngineOutput; read by the status panel, the game controller and the coach
// through EngineOutput::snapshot().
struct SearchInfo {
    // Longer texts from a plug-in are cut to these lengths.
    static constexpr std::size_t kMaxLineLength = 479;
    static constexpr std::size_t kMaxMoveLength = 15;
    static constexpr std::size_t kExpectedReplyCount = 10;

    std::uint64_t nodes = 0;
    int score = 0;
    // Side to move on the shadow board when the line was reported: the side the score is for.
    std::uint8_t scoreSide = kWhiteSide;
    int depth = 0;
    int secondDepth = 0;
    int lineDepth = 0;
    int currentMoveNumber = 0;
    // 1 once an engine reported a current move numbered 0, so counting from 0 and from 1
    // both show 1 for the first move.
    int currentMoveBase = 0;
    int moveCount = 0;
    std::string rawLine;
    std::string rawCurrentMove;
    std::string sanLine;
    std::string sanCurrentMove;
    // The position the engine was given, a pondered move included.
    Board shadowBoard;
    // Newest first; NoMove where empty.
    std::array<Move, kExpectedReplyCount> expectedReplies {};
    std::int64_t searchStartTick = 0;
    std::int64_t lastNodeReportTick = 0;
    // The line is an opening book's move: its score, depth and time are no search's.
    bool fromBook = false;

    int displayedMoveNumber() const { return currentMoveNumber + currentMoveBase; }
};

} // namespace velmorak
