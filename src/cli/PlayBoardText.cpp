#include "PlayBoardText.h"

#include "rules/Board.h"

namespace velmorak::cli {

std::string playBoardText(const Board& board)
{
    std::string text;
    for (int rank = 7; rank >= 0; --rank) {
        for (int file = 0; file < 8; ++file) {
            PieceCode piece = board.pieceAt(makeSquare(file, rank));
            text += piece == kEmpty ? '.' : fenLetter(piece);
        }
        text += '\n';
    }
    return text;
}

} // namespace velmorak::cli
