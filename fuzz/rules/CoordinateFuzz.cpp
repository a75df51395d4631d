// Engine lines read move by move: every move read is legal and the cursor always advances;
// playing the same text unchecked never touches memory outside the board.
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "rules/Board.h"
#include "rules/CoordinateNotation.h"

using namespace velmorak;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    std::string_view text(reinterpret_cast<const char*>(data), size);
    Board board("r3k2r/p1ppqpb1/bn2pnp1/3PN3/1p2P3/2N2Q1p/PPPBBPPP/R3K2R w KQkq - 0 1");
    std::size_t cursor = 0;
    for (;;) {
        std::size_t before = cursor;
        Move move = readCoordinateToken(board, text, cursor);
        if (move == NoMove)
            break;
        if (cursor <= before || !board.isMoveLegal(move))
            std::abort();
        board.makeMove(move);
    }

    Board unchecked;
    for (std::size_t start = 0; start < size; start += 5)
        makeCoordinateMove(unchecked, text.substr(start, 5));
    unchecked.fen();
    unchecked.gameEnd();
    return 0;
}
