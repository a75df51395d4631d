#include "CliFen.h"

#include "rules/PieceCode.h"

namespace velmorak::cli {

bool looksLikeFen(std::string_view text)
{
    std::size_t blank = text.find(' ');
    if (blank == std::string_view::npos)
        return false;
    int separators = 0;
    for (char c : text.substr(0, blank)) {
        if (c == '/')
            ++separators;
        else if (!(c >= '1' && c <= '8') && pieceFromFenLetter(c) == kEmpty)
            return false;
    }
    return separators == 7;
}

std::string notAFenMessage(std::string_view text)
{
    return "not a FEN (eight ranks and the side to move expected): '" + std::string(text) + "'";
}

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
