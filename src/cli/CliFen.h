#pragma once

#include <string>
#include <string_view>

#include "record/FenGame.h"
#include "rules/GameEndCode.h"

namespace velmorak::cli {

using velmorak::looksLikeFen;
using velmorak::notAFenMessage;

// "checkmate", "fifty-move rule", ...; "none" for GameEndCode::None.
const char* gameEndName(GameEndCode code);

} // namespace velmorak::cli
