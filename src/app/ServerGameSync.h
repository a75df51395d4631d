#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "app/GameController.h"
#include "app/ServerLink.h"
#include "server/ServerCommandSink.h"
#include "server/ServerDialect.h"
#include "server/ServerDispatcher.h"
#include "server/ServerGameResult.h"
#include "server/ServerLineHandler.h"

namespace velmorak {

// What the line that created the game now played said about it.
struct ServerGameKind {
    std::string kindText; // "blitz", "lightning", "wild/4"
    bool rated = false;
    int minutes = 0;
    int increment = 0;
    int colorPreference = 3; // 1 white, 2 black, 3 any: a created game leaves it open
};

// What the game sync needs of the session around it. Every call comes on the interface
// thread; none may destroy the sync.
class ServerGameHost {
public:
    virtual ~ServerGameHost() = default;
    virtual void log(std::string_view text) = 0;
    // The one-line status area; "" clears it.
    virtual void setStatusLine(std::string_view text) = 0;
    // The name the server gave the user at login; "" before.
    virtual std::string sessionHandle() const = 0;
    // Lets `ms` pass without blocking the window (it keeps painting, the clocks run), then
    // polls the server once: the lines that arrived are dispatched, into this sync too.
    virtual void waitAndPoll(int ms) = 0;
    // False once the connection was found closed: a wait for the server's answer ends then.
    virtual bool answerCanCome() const { return true; }
    virtual void beep() = 0;
    // A notice box of the session ("Game begins").
    virtual void showNotice(std::string_view title, std::string_view text) = 0;
    // Turns the board (and its turning button) so that the user's colour is at the bottom.
    virtual void setBoardFlipped(bool blackAtBottom) = 0;
    // A played game begins: the server list sheet closes when it is open.
    virtual void closeServerSheet() = 0;
    // The server ended the observation: the observe page offers "Start observe" again.
    virtual void observationEnded() = 0;
    // A played (`observing` false) or observed game begins, or ends with `result`.
    virtual void gameStarted(int number, bool observing) = 0;
    virtual void gameEnded(int number, const ServerGameResult& result) = 0;
};

// Keeps the program's current game in step with a game on the server: a game the user
// plays (server-game mode), a game the user observes, and the move lists of running,
// resumed, adjourned and finished games. The server decides: moves come from its board
// lines and move lists, its remaining times correct the local clocks, and its move number,
// compared with the local one, reveals take-backs.
//
// It also is the controller's ServerLink: the user's moves, take-back requests and the end
// of an observation leave through the command sink. The session dispatches every line to
// handleServerLine and answers the dispatcher's serverGameNumber() with gameNumber().
// Nothing here is owned; everything outlives the sync.
class ServerGameSync final : public ServerLink {
public:
    ServerGameSync(GameController& controller, const ServerDialect& dialect,
        ServerReceiveFlags& flags, ServerCommandSink& sink, ServerGameHost& host);

    // Handles the kinds of lines that concern a played, observed or loaded game; false for
    // every other kind (chat, lists, offers other than the ambiguous move).
    bool handleServerLine(const ServerLineEvent& event);
    // The played or observed game's number, else the number of a game whose moves are
    // being fetched; -1 when none.
    int gameNumber() const;

    // A board line of the played (`observing` false) or observed game; false when it was
    // dropped, in whole or after a take-back.
    bool handleStyle12Line(std::string_view line, bool observing);
    // Enters one move the server reports (`live`: from a board line, not a move list),
    // `san` read in the current position, `timeText` as the server writes it ("(0:03)").
    bool addMoveToGame(std::string_view san, std::string_view timeText, bool live);
    // The level of a server game: untimed when both are 0, else blitz.
    void setCurrentLevel(std::string_view minutes, std::string_view increment);
    // The user's move as the server reads it: non-promoting bishop moves in coordinates
    // (c1g5), a b-pawn capture with its from-square (b2c3), everything else as its SAN.
    std::string serverMoveText(const CGameNode& node) const;

    // Fetch a move list into the current game, polling while they wait; false when it did
    // not come (the moves that came stay). An observation starts a new game for itself;
    // the loads of adjourned and finished games fill the game their caller began.
    bool receiveObserveGame(int number);
    bool receiveAdjournGame();
    bool receiveAdjournLoad(std::string_view opponent);
    bool receiveHistoryLoad(int entry);
    // From the poll: a resumed game's moves are fetched once, when the game was created
    // since the last poll. True when a fetch was made.
    bool fetchResumedMoves();

    // The end-of-game message: a rematch offer after a played game.
    void showGameFinished(int number, bool playing);

    // 0 when the user plays White, 1 when Black.
    int ownColor() const { return m_ownColor; }
    bool isUsersSide(std::uint8_t sideToMove) const override { return sideToMove == m_ownColor; }
    const ServerGameKind& currentGameKind() const { return m_kind; }

    // ServerLink.
    void sendMove(const CGameNode& node) override;
    void requestTakeback() override;
    void sendUnobserve() override;
    void log(std::string_view text) override { m_host.log(text); }

private:
    void gameCreated(const ServerLineEvent& event);
    void gameNumbered(const ServerLineEvent& event, bool continuing);
    void ratingAdjusted(const ServerLineEvent& event);
    void gameFinished(const ServerGameResult& result, bool playing);
    void observeStarted(const ServerLineEvent& event);
    void observeStopped(const ServerLineEvent& event);
    void ambiguousMove(const ServerLineEvent& event);
    void movesHeader(const ServerLineEvent& event);
    void movesResult(const ServerGameResult* result);
    void correctClocks(std::int64_t whiteRemaining, std::int64_t blackRemaining);
    // Ends observation without telling the server, which ended it itself.
    void leaveObserveQuietly();
    // Polls in 100 ms steps until `done` holds; false after `limitMs`.
    template <typename Done> bool waitFor(int limitMs, Done done);
    // The end common to the move-list fetches: false, the flags and the number cleared.
    bool fetchFailed();
    // The half-moves from the start of the game to the current node.
    int localPlies() const;
    void send(std::string_view text) { m_sink.sendLine(text); }

    GameController& m_controller;
    const ServerDialect& m_dialect;
    ServerReceiveFlags& m_flags;
    ServerCommandSink& m_sink;
    ServerGameHost& m_host;

    int m_ownColor = 0;
    ServerGameKind m_kind;
    bool m_fetchResumedMoves = false;
    std::string m_lastRetriedMove;
    // The game whose moves are fetched while no mode names it; -1 when none.
    int m_loadingNumber = -1;
    bool m_quietUnobserve = false;
};

} // namespace velmorak
