// Any text read as a FEN gives a board whose own FEN reads back to the same board, and on
// which generation, making and unmaking every legal move, and the game-end test are safe.
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "rules/Board.h"
#include "rules/PositionValidation.h"

using namespace velmorak;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    Board board;
    board.setFromFen(std::string_view(reinterpret_cast<const char*>(data), size));
    std::string fen = board.fen();
    if (fen.size() >= Board::kMaxFenLength)
        std::abort();
    Board again(fen);
    if (again.fen() != fen || again.squares() != board.squares())
        std::abort();

    MoveList moves;
    board.allLegalMoves(moves);
    for (Move move : moves) {
        board.makeMove(move);
        board.isInCheck();
        board.unmakeMove();
    }
    if (board.fen() != fen)
        std::abort();
    board.gameEnd();
    validateAllowingSideSwap(board);
    return 0;
}
