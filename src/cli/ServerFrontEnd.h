#pragma once

#include <cstdint>
#include <functional>
#include <iosfwd>
#include <string>
#include <string_view>

#include "app/ServerSession.h"

namespace velmorak {
class Clock;
class GameController;
class TaskQueue;
} // namespace velmorak

namespace velmorak::cli {

class PlayOutput;
class ServerBoardView;
class ServerInput;

// The front end of `velmorak-cli server` around a ServerSession: it prints the session's
// events, waits without blocking (standard input is read and the controller's timers run
// meanwhile), answers questions with the user's next "/accept" or "/decline", and runs the
// typed lines: "/" actions, the user's moves in a played game, everything else as console
// lines. Everything runs on the thread that calls run().
class ServerFrontEnd final : public ServerSessionView, public ServerWaits {
public:
    // All must outlive the front end.
    ServerFrontEnd(GameController& controller, PlayOutput& output, ServerBoardView& board,
        ServerInput& input, TaskQueue& queue, Clock& clock, std::ostream& err);

    // The session this front end serves; set before run().
    void attach(ServerSession& session) { m_session = &session; }
    // Logs in, then runs typed lines and polls the server until "/quit" or the end of the
    // input, and logs out. False when the connection or the login failed (the session has
    // shown why).
    bool run(bool guest, std::string_view server);
    // Ends the loop soon (the program was told to end); any question open answers No.
    void stop() { m_quit = true; }

    // A question: printed as a message line, answered by the next "/accept" (true) or
    // "/decline" (false) while other typed lines are run and the server is polled.
    bool ask(std::string_view title, std::string_view text);

    // ServerWaits
    void runFor(int ms) override;

    // ServerSessionView
    void lineReceived(std::string_view line) override;
    void lineSent(std::string_view shown) override;
    void connectionLost() override;
    void listRead(ServerList list) override;
    void whoListRead() override;
    void gameStarted(int number, bool observing) override;
    void gameEnded(int number, const ServerGameResult& result) override;
    void setStatusLine(std::string_view text) override;
    bool askChallenge(const ServerChallenge& challenge) override;
    void lowTime() override;

private:
    // Lets `ms` pass reading input and running the controller's tasks; with `untilLine`
    // it returns as soon as a typed line waits.
    void pass(int ms, bool untilLine);
    void pollWhenDue();
    void handleLine(const std::string& line);
    void runAction(std::string_view action, std::string_view argument);
    // Enters `line` as the user's move when the user's game runs, it is the user's turn
    // and the line reads as a legal move; false otherwise.
    bool enterUserMove(std::string_view line);
    void playSeek(std::string_view argument);
    void printList(std::string_view kind, const std::vector<std::vector<std::string>>& rows);
    void note(std::string_view text);

    GameController& m_controller;
    PlayOutput& m_output;
    ServerBoardView& m_board;
    ServerInput& m_input;
    TaskQueue& m_queue;
    Clock& m_clock;
    std::ostream& m_err;
    ServerSession* m_session = nullptr;
    std::int64_t m_nextPoll = 0;
    bool m_quit = false;
};

} // namespace velmorak::cli
