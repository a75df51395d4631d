// A simulated DGT board on a pseudo-terminal, driven by typed commands: for trying the
// program by hand and for scripts. It prints the board's port on its first line, then "ok"
// (or "error: ...") after each command:
//   start                        the start position (white at the near side)
//   move e2 e4 | castle e1 g1 h1 f1 | lift e4 | put e4 Q (a FEN letter)
//   turn                         the men turned by 180 degrees
//   clock LEFT RIGHT [STATUS]    the clock's times in seconds; noclock
//   unplug | plug | sleep MS | quit
#include <chrono>
#include <iostream>
#include <sstream>
#include <string>
#include <thread>

#include "dgt/DgtBoardRecognizer.h"
#include "support/PtyDgtBoard.h"

namespace {

using velmorak::test::PtyDgtBoard;
using velmorak::test::SimulatedDgtBoard;

std::uint8_t pieceFromLetter(char letter)
{
    const std::string letters = "PRNBKQprnbkq";
    std::size_t at = letters.find(letter);
    return at == std::string::npos ? 0 : static_cast<std::uint8_t>(at + 1);
}

} // namespace

int main()
{
    PtyDgtBoard pty;
    std::cout << pty.path() << std::endl;
    std::string line;
    while (std::getline(std::cin, line)) {
        std::istringstream words(line);
        std::string command, a, b, c, d;
        words >> command >> a >> b >> c >> d;
        if (command.empty())
            continue;
        if (command == "quit")
            break;
        bool known = true;
        if (command == "sleep") {
            std::this_thread::sleep_for(std::chrono::milliseconds(std::stoi(a)));
        } else if (command == "unplug") {
            pty.server().unplug();
        } else if (command == "plug") {
            pty.server().plugBack();
        } else {
            pty.act([&](SimulatedDgtBoard& board) {
                if (command == "start")
                    board.setImage(velmorak::dgtStartImage());
                else if (command == "move")
                    board.move(a, b);
                else if (command == "castle")
                    board.castle(a, b, c, d);
                else if (command == "lift")
                    board.lift(a);
                else if (command == "put" && !b.empty())
                    board.put(a, pieceFromLetter(b[0]));
                else if (command == "turn")
                    board.turnAround();
                else if (command == "clock")
                    board.setClock(std::stoi(a), std::stoi(b), 0, 0,
                        static_cast<std::uint8_t>(c.empty() ? 0 : std::stoi(c)));
                else if (command == "noclock")
                    board.removeClock();
                else
                    known = false;
            });
        }
        std::cout << (known ? "ok" : "error: unknown command " + command) << std::endl;
    }
    return 0;
}
