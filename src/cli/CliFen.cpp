#include "CliFen.h"

namespace velmorak::cli {

const char* gameEndName(GameEndCode code)
{
    switch (code) {
    case GameEndCode::None:
        return "none";
    case GameEndCode::Checkmate:
        return "checkmate";
    case GameEndCode::Stalemate:
        return "stalemate";
    case GameEndCode::ThreefoldRepetition:
        return "threefold repetition";
    case GameEndCode::FiftyMoveRule:
        return "fifty-move rule";
    case GameEndCode::InsufficientMaterial:
        return "insufficient material";
    }
    return "unknown";
}

} // namespace velmorak::cli
