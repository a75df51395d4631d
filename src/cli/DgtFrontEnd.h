#pragma once

#include <memory>
#include <ostream>
#include <string>

#include "PlayView.h"
#include "app/DgtBoardLink.h"
#include "base/Clock.h"
#include "base/TaskQueue.h"
#include "present/SetupEditor.h"

namespace velmorak {
class GameController;
} // namespace velmorak

namespace velmorak::cli {

class PlayOutput;
class ServerInput;

// `velmorak-cli dgt` at its terminal: the controller's positions as "fen" lines, the board's
// events as "event", its moves as "move", its clock as "clock"; the set-up that both kings
// lifted from the board start is followed headless until the board names the side to move.
// Standard input takes "quit", "turn" (the board stands the other way round) and "cancel"
// (leaves a set-up without changing the game).
class DgtFrontEnd final : public PlayView, public DgtLinkView, public DgtSetupFollower {
public:
    DgtFrontEnd(PlayOutput& output, TaskQueue& queue, Clock& clock, std::ostream& err);

    // Set once the controller and the link exist.
    void attach(GameController& controller, DgtBoardLink& link);
    // Runs until "quit", the end of input, or stop().
    void run(ServerInput& input);
    void stop() { m_quit = true; }

    // PlayView: moves are printed only when they come from the board.
    void moveEntered(const CGameNode&) override { }

    // DgtLinkView.
    void dgtEvent(const DgtEvent& event) override;
    void boardMoveEntered(const CGameNode& node) override;
    void boardDisagrees(const std::vector<Square>& squares) override;
    void clockTextsChanged(const DgtClockTexts& texts) override;
    void setupRequested() override;
    void dgtLog(std::string_view text) override;
    void connectionChanged(bool connected, std::string_view why) override;

    // DgtSetupFollower.
    void boardShows(const BoardSquares& squares) override;
    void sideSetOnBoard(std::uint8_t side) override;

private:
    void handleLine(const std::string& line);
    void endSetup();

    PlayOutput& m_output;
    TaskQueue& m_queue;
    Clock& m_clock;
    std::ostream& m_err;
    GameController* m_controller = nullptr;
    DgtBoardLink* m_link = nullptr;
    std::unique_ptr<SetupEditor> m_setup;
    bool m_quit = false;
};

} // namespace velmorak::cli
