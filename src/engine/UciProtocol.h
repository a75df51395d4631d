#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace velmorak {

// The fields of one UCI "info" line that the plug-in contract reports. Absent fields stay
// unset; unknown fields are skipped.
struct UciInfo {
    std::optional<int> depth;
    std::optional<int> selectiveDepth;
    std::optional<std::uint64_t> nodes;
    std::optional<int> multiPv;
    std::optional<std::string> currentMove;
    std::optional<int> currentMoveNumber;
    // The score in the plug-in convention: centipawns for the side to move, mate as 30000
    // minus plies (negative when mated). Centipawns are kept within +-28000 so that they
    // are never read as mates.
    std::optional<int> score;
    std::vector<std::string> pv;
};

// Reads "info ..." lines; nullopt for any other line.
std::optional<UciInfo> parseUciInfo(std::string_view line);

// "bestmove e2e4 ponder e7e5": the move (empty for "(none)" or "0000") and the ponder move.
struct UciBestMove {
    std::string move;
    std::string ponder;
};
std::optional<UciBestMove> parseUciBestMove(std::string_view line);

// A UCI "mate n" as a plug-in score.
int uciMateScore(int movesToMate);
// A UCI centipawn score limited to the centipawn range of the plug-in convention.
int uciCentipawnScore(long long centipawns);

// What the program last asked for with SetTimeControl and SetLevel.
struct UciLevel {
    static constexpr int kNoTimeLimit = 999999;
    static constexpr int kNoDepthLimit = 99;

    bool timeControlSet = false;
    int periodMoves = 0;
    int periodSeconds = 0;
    int movesToGo = 1;
    int secondsLeft = 5;
    int increment = 0;
    int maxDepth = kNoDepthLimit;
};

// The "go" command for a level: "go infinite" (analysis), "go depth N" (fixed depth),
// "go movetime MS" (seconds per move and the short hint level), "go wtime MS winc MS" (base
// plus increment) or "go wtime MS movestogo N" (periods), with the times given to the side
// to move; "depth N" is added whenever the depth is limited. `ponder` adds "ponder".
std::string uciGoCommand(const UciLevel& level, bool whiteToMove, bool ponder);

// Splits "key=value" lines of a plug-in's ini file; '#' and ';' start comments and
// "[section]" lines are ignored. Keys keep their case; blanks around both are trimmed.
std::vector<std::pair<std::string, std::string>> parseIniText(std::string_view text);

} // namespace velmorak
