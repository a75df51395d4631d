#pragma once

#include <functional>
#include <mutex>

#include "support/PtyBoardServer.h"
#include "support/SimulatedDgtBoard.h"

namespace velmorak::test {

// The simulated board on a pseudo-terminal: the program opens path() as a real serial port.
// The board is touched only through act(), which sends whatever the board then reports.
class PtyDgtBoard {
public:
    explicit PtyDgtBoard(bool answers = true)
        : m_answers(answers)
        , m_server([this](std::string_view received) {
            std::lock_guard lock(m_mutex);
            return m_answers ? m_board.receive(received) : std::string();
        })
    {
    }

    const std::string& path() const { return m_server.path(); }
    PtyBoardServer& server() { return m_server; }

    void act(const std::function<void(SimulatedDgtBoard&)>& change)
    {
        std::lock_guard lock(m_mutex);
        change(m_board);
        m_server.send(m_board.takeOutput());
    }

private:
    std::mutex m_mutex;
    bool m_answers;
    SimulatedDgtBoard m_board;
    PtyBoardServer m_server;
};

} // namespace velmorak::test
