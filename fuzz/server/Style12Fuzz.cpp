// Whatever the line, the board-line reader answers a record or an error, and what it
// computes from a record stays in range: the position reads back on the board, the move
// is four or five characters or none, move times are never negative.
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "rules/Board.h"
#include "server/Style12.h"

using namespace velmorak;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    static const ServerDialect fics = makeServerDialects()[kFicsDialect];
    std::string_view line(reinterpret_cast<const char*>(data), size);
    if (parseMoveTime(line, fics) < 0)
        std::abort();
    auto record = parseStyle12(line);
    if (!record)
        return 0;
    Board board(style12Fen(*record));
    if (board.sideToMove() != record->sideToMove)
        std::abort();
    std::int64_t index = lastHalfMoveIndex(*record);
    if (index < -1 || index > 2 * record->moveNumber)
        std::abort();
    std::size_t length = lastMoveCoordinates(*record).size();
    if (length != 0 && length != 4 && length != 5)
        std::abort();
    if (parseMoveTime(record->moveTime, fics) < 0)
        std::abort();
    return 0;
}
