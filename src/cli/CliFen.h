#pragma once

#include <string>
#include <string_view>

#include "rules/GameEndCode.h"

namespace velmorak::cli {

// The board reads any text as a FEN; on the command line a text without eight ranks of
// piece letters and digits followed by a side field is far more likely a mistake.
bool looksLikeFen(std::string_view text);

// "not a FEN (...): 'TEXT'", for commands to print after their own prefix.
std::string notAFenMessage(std::string_view text);

// "checkmate", "fifty-move rule", ...; "none" for GameEndCode::None.
const char* gameEndName(GameEndCode code);

} // namespace velmorak::cli
