#pragma once

#include <array>
#include <cstdint>
#include <deque>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "app/ClockDisplay.h"
#include "base/Clock.h"
#include "dgt/DgtDriver.h"
#include "rules/Square.h"

namespace velmorak {

class CGameNode;
class GameController;
class UiThread;

// Timer 105: the board is polled this long after the previous poll ended.
inline constexpr Clock::TimerId kDgtPollTimer = 105;

// What the front end shows of the electronic board.
class DgtLinkView {
public:
    virtual ~DgtLinkView() = default;
    // Every event of the driver, in order, before it acts (the clock's "recorded only"
    // events too).
    virtual void dgtEvent(const DgtEvent& event) { (void)event; }
    // A move made on the board was entered into the game as `node`.
    virtual void boardMoveEntered(const CGameNode& node) = 0;
    // The squares (the program's 0x88 squares) on which the board shows something other than
    // the game's position; empty once the two agree again.
    virtual void boardDisagrees(const std::vector<Square>& squares) = 0;
    // The clock's texts changed ("H:MM:SS" for each side).
    virtual void clockTextsChanged(const DgtClockTexts& texts) = 0;
    // Both kings were taken off the board: the "Setup board" command is due.
    virtual void setupRequested() = 0;
    // Something worth a line in a log (more came in than could be read, and was dropped).
    virtual void dgtLog(std::string_view text) { (void)text; }
    // The board came, went away (unplugged), came back, or was disconnected; `why` says so
    // in words for a status line or a log (empty for a plain connect or disconnect).
    virtual void connectionChanged(bool connected, std::string_view why)
    {
        (void)connected;
        (void)why;
    }
};

// The set-up editor while it follows the board.
class DgtSetupFollower {
public:
    virtual ~DgtSetupFollower() = default;
    // The position the board shows now.
    virtual void boardShows(const BoardSquares& squares) = 0;
    // A new position was set up on the board with `side` (kWhiteSide, kBlackSide) to move:
    // the editor is to be confirmed with that side.
    virtual void sideSetOnBoard(std::uint8_t side) = 0;
};

// The electronic board as a source of moves beside the user and the engine: it polls the
// driver on timer 105 and turns the board's events into the controller's commands. A move
// found by the rules is entered as the user's move; the board standing one or two half-moves
// back takes them back; the start position starts a new game; a king lifted and put back is
// "Move now!"; both kings off the board open the set-up.
//
// Every board change is judged in the order it happened, never while a box or dialog of the
// program is open: the changes wait and are judged when it has closed. A board that shows
// neither the game's position nor a move from it is reported as disagreeing, and the game
// stays as it is. A take-back is read from the board only when the board had caught up with
// the position it now leaves: an engine's move not yet made on the board is not taken back
// by a piece lifted and put down again.
//
// Interface thread only.
class DgtBoardLink {
public:
    DgtBoardLink(GameController& controller, DgtDriver& driver, Clock& clock, UiThread& ui,
        DgtLinkView& view);
    ~DgtBoardLink();
    DgtBoardLink(const DgtBoardLink&) = delete;
    DgtBoardLink& operator=(const DgtBoardLink&) = delete;

    // Probes and opens the board on `path` and starts polling it. On failure the message
    // "DGT-Board not properly connected" (with the reason) is shown and false returned.
    bool connect(const std::string& path);
    // Closes the port and stops polling.
    void disconnect();
    bool isConnected() const { return m_connected; }

    // One step: the driver's poll, then its events, then the clock texts and the board
    // compared with the game. Called by timer 105 and by the set-up editor's own timer.
    void poll();

    // While set, the board feeds the set-up editor instead of the game: only the mirror of
    // the board and the side set on it (17, 18) act.
    void setSetupFollower(DgtSetupFollower* follower);

    // "Turn board": the board stands the other way round.
    void turnBoard();

    const std::vector<Square>& disagreement() const { return m_disagreement; }
    // Inside poll(): a box shown while a change is judged runs the interface meanwhile, and
    // whatever it does must leave the link standing until the poll has returned.
    bool isPolling() const { return m_polling; }
    DgtDriver& driver() { return m_driver; }

private:
    void armTimer();
    void dispatch(const DgtEvent& event);
    void judgeBoard(const DgtBoardImage& image);
    void takeBackTo(int plies);
    void compareWithGame();
    void followClock();
    void showNotices();
    bool startPositionBlocked() const;
    void setConnected(bool connected);

    GameController& m_controller;
    DgtDriver& m_driver;
    Clock& m_clock;
    UiThread& m_ui;
    DgtLinkView& m_view;
    DgtSetupFollower* m_setup = nullptr;
    bool m_connected = false;
    // Inside poll(): a box shown meanwhile runs the timers, whose polls only read the board.
    bool m_polling = false;
    // Events read but not judged yet (a box or dialog was open).
    std::deque<DgtEvent> m_waiting;
    std::vector<Square> m_disagreement;
    // The last position of the game the board agreed with: its game and ply.
    std::uint64_t m_agreedGame = 0;
    std::optional<int> m_agreedPly;
    DgtClockTexts m_clockShown;
    std::shared_ptr<DgtBoardLink*> m_alive;
};

} // namespace velmorak
