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
#include <mutex>
#include <sstream>
#include <string>
#include <thread>

#include "support/PtyBoardServer.h"
#include "support/SimulatedDgtBoard.h"

namespace {

using velmorak::test::PtyBoardServer;
using velmorak::test::SimulatedDgtBoard;

std::uint8_t pieceFromLetter(char letter)
{
    const std::string letters = "PRNBKQprnbkq";
    std::size_t at = letters.find(letter);
    return at == std::string::npos ? 0 : static_cast<std::uint8_t>(at + 1);
}

SimulatedDgtBoard::Image startImage()
{
    SimulatedDgtBoard::Image image {};
    const std::string back = "RNBQKBNR";
    for (int file = 0; file < 8; ++file) {
        image[static_cast<std::size_t>(file)] =
            pieceFromLetter(static_cast<char>(std::tolower(back[std::size_t(file)])));
        image[static_cast<std::size_t>(8 + file)] = pieceFromLetter('p');
        image[static_cast<std::size_t>(48 + file)] = pieceFromLetter('P');
        image[static_cast<std::size_t>(56 + file)] = pieceFromLetter(back[std::size_t(file)]);
    }
    return image;
}

} // namespace

int main()
{
    SimulatedDgtBoard board;
    std::mutex mutex;
    PtyBoardServer server([&board, &mutex](std::string_view received) {
        std::lock_guard lock(mutex);
        return board.receive(received);
    });
    std::cout << server.path() << std::endl;
    std::string line;
    while (std::getline(std::cin, line)) {
        std::istringstream words(line);
        std::string command, a, b, c, d;
        words >> command >> a >> b >> c >> d;
        if (command.empty())
            continue;
        if (command == "quit")
            break;
        if (command == "sleep") {
            std::this_thread::sleep_for(std::chrono::milliseconds(std::stoi(a)));
        } else if (command == "unplug") {
            server.unplug();
        } else if (command == "plug") {
            server.plugBack();
        } else {
            std::lock_guard lock(mutex);
            if (command == "start")
                board.setImage(startImage());
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
            else {
                std::cout << "error: unknown command " << command << std::endl;
                continue;
            }
            server.send(board.takeOutput());
        }
        std::cout << "ok" << std::endl;
    }
    return 0;
}
