#include "app/GameEndTexts.h"

namespace velmorak {

GameEndTexts gameEndTexts(GameEndCode code, bool whiteToMove)
{
    switch (code) {
    case GameEndCode::Checkmate:
        return whiteToMove ? GameEndTexts { "Checkmate", "Black mates", "0-1" }
                           : GameEndTexts { "Checkmate", "White mates", "1-0" };
    case GameEndCode::Stalemate:
        return { "Stalemate, draw", "Stalemate", "1/2-1/2" };
    case GameEndCode::ThreefoldRepetition:
        return { "Draw by threefold repetition", "Draw by threefold repetition", "1/2-1/2" };
    case GameEndCode::FiftyMoveRule:
        return { "Draw by 50-moves-rule", "Draw by 50-moves-rule", "1/2-1/2" };
    case GameEndCode::InsufficientMaterial:
        return { "Draw by insufficient mating material", "Draw by insufficient material",
            "1/2-1/2" };
    default:
        return { "Unknown result, send this game to velmorak-bugs@lists.velmorak.org", {}, {} };
    }
}

GameEndTexts timeLossTexts(bool whiteLost)
{
    return whiteLost ? GameEndTexts { "White lost on time", "White lost on time", "0-1" }
                     : GameEndTexts { "Black lost on time", "Black lost on time", "1-0" };
}

} // namespace velmorak
