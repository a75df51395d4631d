// The first line of input is a FEN, every further line is typed: whatever the text, the
// reader leaves the board as it was, answers a legal move or a command, or fails with a
// one-line message; a legal move is played so the next line meets a new position.
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "present/TypedInput.h"
#include "rules/Board.h"
#include "rules/PositionValidation.h"

using namespace velmorak;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    std::string_view input(reinterpret_cast<const char*>(data), size);
    std::size_t end = input.find('\n');
    Board board(input.substr(0, end));
    // The controller only ever holds positions a game may start from.
    if (firstPositionFault(board) != PositionFault::None)
        return 0;
    while (end != std::string_view::npos) {
        input.remove_prefix(end + 1);
        end = input.find('\n');
        std::string_view line = input.substr(0, end);
        std::string before = board.fen();
        Result<TypedLine> typed = readTypedLine(board, line);
        if (board.fen() != before)
            std::abort();
        if (!typed) {
            if (typed.error().message.empty() ||
                typed.error().message.find_first_of("\r\n") != std::string::npos)
                std::abort();
            continue;
        }
        if (typed->command == TypedCommand::Move) {
            if (!board.isMoveLegal(typed->move))
                std::abort();
            board.makeMove(typed->move);
        }
    }
    return 0;
}
