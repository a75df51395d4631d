#pragma once

#include <cstddef>
#include <string>
#include <string_view>

#include "Board.h"
#include "Move.h"

namespace velmorak {

// What the SAN writer is asked to write. When either force flag is set the two flags alone
// decide which of the from-square's file and rank are written.
struct SanOptions {
    Move move = NoMove;
    bool withCheckMarks = false;
    // The legal moves of the side to move, when the caller already holds them; otherwise
    // the writer generates them for disambiguation.
    const Move* candidates = nullptr;
    std::size_t candidateCount = 0;
    bool forceFile = false;
    bool forceRank = false;
};

// Strict SAN of a move in the board's position: "Nbd2", "exd5", "e8=Q+", "O-O". Castling
// never carries a check mark. The board is left as it was.
std::string writeSan(Board& board, const SanOptions& options);
std::string writeSan(Board& board, Move move, bool withCheckMarks = true);

// Reads SAN tolerantly: check marks, annotation marks, "x", "=", "-", "0-0", lower-case
// piece letters (but B is the bishop), "ep", long forms (Ng1f3, e2-e4, Nf3xPe5) and
// over-disambiguated forms. Returns a legal move of the side to move, or NoMove.
Move readSan(Board& board, std::string_view text);

// The normal form both sides of a SAN comparison are reduced to: "Nxe5+" -> "ne5",
// "O-O" -> "oo", "e8=Q" -> "e8q", "exd6ep" -> "ed6". Looks at 19 characters at most.
std::string simplifySan(std::string_view text);

} // namespace velmorak
