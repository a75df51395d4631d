#pragma once

#include <memory>
#include <string>
#include <string_view>

namespace velmorak {

class CPgnGame;

// The board reads any text as a FEN; typed by a person, a text without eight ranks of piece
// letters and digits followed by a side field is far more likely a mistake.
bool looksLikeFen(std::string_view text);
// "not a FEN (...): 'TEXT'", for callers to show after their own prefix.
std::string notAFenMessage(std::string_view text);

// A game without moves that starts from the position `fen` (SetUp and FEN tags, the first
// ply numbered from the FEN's move number and side).
std::unique_ptr<CPgnGame> gameFromFen(const std::string& fen);

} // namespace velmorak
