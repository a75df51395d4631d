#pragma once

#include <string_view>

#include "server/ServerDialect.h"
#include "server/ServerLineHandler.h"
#include "server/ServerPattern.h"

namespace velmorak {

// The receiving flags: which list or reply the client waits for. Requests set them (the
// session that sends the command), the dispatcher clears them when the list ends.
struct ServerReceiveFlags {
    bool bReceivingWho = false;
    bool bReceivingGamesObserve = false;
    bool bReceivingMoves = false;
    bool bMovesStarted = false;
    bool bLoadingGame = false;
    bool bReceivingGamesSeek = false;
    bool bReceivingGamesAdjourn = false;
    bool bReceivingGamesHistory = false;
    bool bReceivingVariables = false;
    bool bReceivingFinger = false;
    bool bAwaitingReply = false;
    // Set by "There is no such game" while a game is loaded; cleared by the requester.
    bool noSuchGame = false;
};

// Offers each complete server line to the fifteen recognisers in their fixed order: the
// player list, running games, move list, seek list, own game, observed game, adjourned
// games, history, challenges, chat, variables, finger, server messages, replies and
// channels. The first that consumes the line ends the dispatch. Neither the dialect nor
// the handler is owned; both outlive the dispatcher.
class ServerDispatcher {
public:
    ServerDispatcher(const ServerDialect& dialect, ServerLineHandler& handler);

    // `callHandlers`: keeps a non-empty line in the console, then dispatches it; true when a
    // recogniser consumed it. Costs a few dozen template matches at most.
    bool callHandlers(std::string_view line);

    ServerReceiveFlags& flags() { return m_flags; }
    const ServerReceiveFlags& flags() const { return m_flags; }

private:
    bool handleNewLineWho(std::string_view line);
    bool handleNewLineGames(std::string_view line);
    bool handleNewLineMoves(std::string_view line);
    bool handleNewLineSought(std::string_view line);
    bool handleNewLineGame(std::string_view line);
    bool handleNewLineObserve(std::string_view line);
    bool handleNewLineAdjourned(std::string_view line);
    bool handleNewLineHistory(std::string_view line);
    bool handleNewLineChallenge(std::string_view line);
    bool handleNewLineChat(std::string_view line);
    bool handleNewLineVariables(std::string_view line);
    bool handleNewLineFinger(std::string_view line);
    bool handleNewLineServerMessage(std::string_view line);
    void handleNewLineReply(std::string_view line);
    bool handleNewLineChannels(std::string_view line);

    // Matches `pattern` into m_captures.
    bool match(std::string_view line, const std::string& pattern);
    // Hands the line to the handler with m_captures; answers true (consumed).
    bool report(
        ServerLineKind kind, std::string_view line, const ServerGameResult* result = nullptr);
    // The result templates: reports `kind` and answers true when the line announces one.
    bool reportResult(ServerLineKind kind, std::string_view line);

    const ServerDialect& m_dialect;
    ServerLineHandler& m_handler;
    ServerReceiveFlags m_flags;
    PatternCaptures m_captures;
    PatternCaptures m_more;
    PatternCaptures m_range;
};

} // namespace velmorak
