#pragma once

#include <string_view>

#include "rules/Board.h"

namespace velmorak::test {

// The legal move that coordinate text ("e2e4", "e7e8q") names in `position`; NoMove when
// none does.
Move moveIn(const Board& position, std::string_view text);
// The position after coordinate moves ("e2e4 e7e5") from the start position.
Board positionAfter(std::string_view moves);

} // namespace velmorak::test
