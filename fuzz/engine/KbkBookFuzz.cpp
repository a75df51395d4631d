// Any bytes as a ".kbk" book: the walk must end, never read past the data, never make an
// undecodable move, and every result must be a pseudo-legal move of the position looked up.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "engine/OpeningBook.h"
#include "rules/Board.h"
#include "rules/MoveList.h"

using namespace velmorak;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    static const char* const kTargets[] = {
        "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1",
        "rnbqkbnr/pppppppp/8/8/4P3/8/PPPP1PPP/RNBQKBNR b KQkq e3 0 1",
        "rnbqkbnr/pp1ppppp/8/2p5/4P3/5N2/PPPP1PPP/RNBQKB1R b KQkq - 1 2",
        "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR b KQkq - 0 1",
    };
    if (size == 0)
        return 0;
    Board target(kTargets[data[0] % 4]);
    std::string_view bytes(reinterpret_cast<const char*>(data + 1), size - 1);
    int counter = 0;
    OpeningBook book([&counter] { return (counter += 12345) & 0xFFFF; });
    const auto& results = book.lookupBytes(bytes, target);
    if (results.size() > OpeningBook::kMaxResults)
        __builtin_trap();
    for (const BookEntry& entry : results) {
        SquareMoveList moves;
        target.pseudoLegalMoves(entry.move.from, moves);
        if (!moves.contains(entry.move) || entry.weight > 31)
            __builtin_trap();
    }
    for (BookMode mode : { BookMode::Best, BookMode::Good, BookMode::Random }) {
        Move chosen = book.chooseMove(mode);
        if (results.empty() != (chosen == NoMove))
            __builtin_trap();
    }
    return 0;
}
