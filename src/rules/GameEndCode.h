#pragma once

#include <cstdint>

namespace velmorak {

// Why a game is over, as told by Board::gameEnd(). The texts shown for them belong to the
// game controller.
enum class GameEndCode : std::uint8_t {
    None = 0,
    Checkmate = 1,
    Stalemate = 2,
    ThreefoldRepetition = 3,
    FiftyMoveRule = 4,
    InsufficientMaterial = 5,
};

} // namespace velmorak
