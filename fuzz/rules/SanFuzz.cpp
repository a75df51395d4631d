// Whatever the text, the SAN reader answers a legal move or NoMove. The first byte picks
// one of a few positions rich in promotions, castling, en passant and ambiguity.
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "rules/Board.h"
#include "rules/SanNotation.h"

using namespace velmorak;

namespace {
const char* const kPositions[] = {
    "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1",
    "r3k2r/p1ppqpb1/bn2pnp1/3PN3/1p2P3/2N2Q1p/PPPBBPPP/R3K2R w KQkq - 0 1",
    "r3k2r/Pppp1ppp/1b3nbN/nP6/BBP1P3/q4N2/Pp1P2PP/R2Q1RK1 w kq - 0 1",
    "rnbqkbnr/ppp1p1pp/8/3pPp2/8/8/PPPP1PPP/RNBQKBNR w KQkq f6 0 3",
    "1k6/8/8/8/4Q2Q/8/K7/4r2Q w - - 0 1",
    "r1b5/1P1P4/7k/8/8/8/8/4K3 w - - 0 1",
    "8/8/8/KPp4r/8/8/8/4k3 w - c6 0 1",
    "4k3/8/8/8/8/5N2/8/1N2K3 b - - 0 1",
};
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size == 0)
        return 0;
    Board board(kPositions[data[0] % (sizeof kPositions / sizeof kPositions[0])]);
    std::string before = board.fen();
    Move move = readSan(board, std::string_view(reinterpret_cast<const char*>(data + 1), size - 1));
    if (board.fen() != before)
        std::abort();
    if (move != NoMove && !board.isMoveLegal(move))
        std::abort();
    if (move != NoMove && readSan(board, writeSan(board, move)) != move)
        std::abort();
    return 0;
}
