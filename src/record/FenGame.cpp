#include "record/FenGame.h"

#include <algorithm>

#include "record/CPgnGame.h"
#include "rules/Board.h"
#include "rules/PieceCode.h"

namespace velmorak {

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

std::unique_ptr<CPgnGame> gameFromFen(const std::string& fen)
{
    Board board(fen);
    auto game = std::make_unique<CPgnGame>();
    game->setTag("SetUp", "1");
    game->setTag("FEN", board.fen());
    int ply = 2 * (std::max(board.moveNumber(), 1) - 1) - 1;
    if (board.sideToMove() == kBlackSide)
        ++ply;
    game->root()->setPly(ply);
    return game;
}

} // namespace velmorak
