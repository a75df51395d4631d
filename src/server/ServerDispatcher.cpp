#include "server/ServerDispatcher.h"

#include <array>
#include <utility>

namespace velmorak {

ServerDispatcher::ServerDispatcher(const ServerDialect& dialect, ServerLineHandler& handler)
    : m_dialect(dialect)
    , m_handler(handler)
{
}

bool ServerDispatcher::callHandlers(std::string_view line)
{
    if (!line.empty() && !m_handler.addConsoleLine(line))
        m_handler.log("addString failed in callHandlers!");
    if (m_flags.bReceivingWho && handleNewLineWho(line))
        return true;
    if (m_flags.bReceivingGamesObserve && handleNewLineGames(line))
        return true;
    if (m_flags.bReceivingMoves && m_handler.hasCurrentGame() && handleNewLineMoves(line))
        return true;
    if (m_flags.bReceivingGamesSeek && handleNewLineSought(line))
        return true;
    if (handleNewLineGame(line) || handleNewLineObserve(line) || handleNewLineAdjourned(line))
        return true;
    if (m_flags.bReceivingGamesHistory && handleNewLineHistory(line))
        return true;
    if (handleNewLineChallenge(line) || handleNewLineChat(line) || handleNewLineVariables(line) ||
        handleNewLineFinger(line) || handleNewLineServerMessage(line))
        return true;
    if (m_flags.bAwaitingReply && !line.empty())
        handleNewLineReply(line);
    return handleNewLineChannels(line);
}

bool ServerDispatcher::match(std::string_view line, const std::string& pattern)
{
    return matchPattern(line, pattern, m_captures);
}

bool ServerDispatcher::report(
    ServerLineKind kind, std::string_view line, const ServerGameResult* result)
{
    m_handler.handleServerLine({ kind, line, m_captures, m_more, m_range, result });
    m_more.clear();
    m_range.clear();
    return true;
}

bool ServerDispatcher::reportResult(ServerLineKind kind, std::string_view line)
{
    auto result = parseGameResult(line, m_dialect);
    if (!result)
        return false;
    m_captures.clear();
    return report(kind, line, &*result);
}

bool ServerDispatcher::handleNewLineWho(std::string_view line)
{
    if (match(line, m_dialect.sWhoEnd)) {
        m_flags.bReceivingWho = false;
        return report(ServerLineKind::WhoEnd, line);
    }
    return m_handler.takeWhoEntries(line);
}

bool ServerDispatcher::handleNewLineGames(std::string_view line)
{
    if (match(line, m_dialect.sGamesEnd)) {
        m_flags.bReceivingGamesObserve = false;
        return report(ServerLineKind::GamesEnd, line);
    }
    if (match(line, m_dialect.sGamesLine))
        return report(ServerLineKind::GamesLine, line);
    return false;
}

bool ServerDispatcher::handleNewLineMoves(std::string_view line)
{
    // Until the list's header came, a line that looks like moves ("1. e4 e5" in a tell) is
    // someone's chat, not the awaited list.
    if (m_flags.bMovesStarted && match(line, m_dialect.sMovesLine2))
        return report(ServerLineKind::MovesPair, line);
    if (m_flags.bMovesStarted && match(line, m_dialect.sMovesLine1))
        return report(ServerLineKind::MovesSingle, line);
    if (!m_flags.bMovesStarted) {
        if (match(line, m_dialect.sMovesHeader0) || match(line, m_dialect.sMovesSeparator)) {
            m_flags.bMovesStarted = true;
            return report(ServerLineKind::MovesStarted, line);
        }
    } else if (line == m_dialect.sPrompt) {
        m_flags.bReceivingMoves = false;
        m_flags.bLoadingGame = false;
        m_flags.bMovesStarted = false;
        m_captures.clear();
        return report(ServerLineKind::MovesEnded, line);
    }
    if (match(line, m_dialect.sMovesHeader1)) {
        m_flags.bMovesStarted = true;
        return report(ServerLineKind::MovesHeader, line);
    }
    if (match(line, m_dialect.sMovesMatchLine)) {
        // The kind line carries the level only when it names both times.
        if (!match(line, m_dialect.sMovesInitialTime))
            m_captures.clear();
        return report(ServerLineKind::MovesLevel, line);
    }
    if (match(line, m_dialect.sMovesEnd)) {
        auto result = parseGameResult(line, m_dialect);
        if (result && result->gameNumber == m_handler.serverGameNumber()) {
            m_flags.bReceivingMoves = false;
            m_flags.bMovesStarted = false;
        }
        return report(ServerLineKind::MovesResult, line, result ? &*result : nullptr);
    }
    return false;
}

bool ServerDispatcher::handleNewLineSought(std::string_view line)
{
    if (match(line, m_dialect.sSoughtEnd)) {
        m_flags.bReceivingGamesSeek = false;
        return report(ServerLineKind::SoughtEnd, line);
    }
    if (!match(line, m_dialect.sSoughtLine))
        return false;
    matchPattern(line, m_dialect.sSoughtColor, m_more);
    matchPattern(line, m_dialect.sSoughtRange, m_range);
    return report(ServerLineKind::SoughtLine, line);
}

bool ServerDispatcher::handleNewLineGame(std::string_view line)
{
    if (match(line, m_dialect.sGameCreate1))
        return report(ServerLineKind::GameCreate1, line);
    if (match(line, m_dialect.sGameContinue))
        return report(ServerLineKind::GameContinue, line);
    if (match(line, m_dialect.sGameCreate2))
        return report(ServerLineKind::GameCreate2, line);
    if (match(line, m_dialect.sRatingAdjust))
        return report(ServerLineKind::RatingAdjust, line);
    if (!m_handler.serverGameMode())
        return false;
    if (reportResult(ServerLineKind::GameResult, line))
        return true;
    if (m_flags.bLoadingGame)
        return false;
    const std::array<std::pair<const std::string*, ServerLineKind>, 10> kinds { {
        { &m_dialect.sStyle12Line, ServerLineKind::BoardLine },
        { &m_dialect.sTakebackRequest, ServerLineKind::TakebackRequest },
        { &m_dialect.sTakebackDeclined, ServerLineKind::TakebackDeclined },
        { &m_dialect.sDrawOffer, ServerLineKind::DrawOffer },
        { &m_dialect.sDrawDeclined, ServerLineKind::DrawDeclined },
        { &m_dialect.sAbortRequest, ServerLineKind::AbortRequest },
        { &m_dialect.sAbortDeclined, ServerLineKind::AbortDeclined },
        { &m_dialect.sAdjournRequest, ServerLineKind::AdjournRequest },
        { &m_dialect.sAdjournDeclined, ServerLineKind::AdjournDeclined },
        { &m_dialect.sAmbiguousMove, ServerLineKind::MoveAmbiguous },
    } };
    for (const auto& [pattern, kind] : kinds)
        if (match(line, *pattern))
            return report(kind, line);
    return false;
}

bool ServerDispatcher::handleNewLineObserve(std::string_view line)
{
    if (m_flags.bLoadingGame && match(line, m_dialect.sNoSuchGame)) {
        m_flags.noSuchGame = true;
        m_flags.bReceivingMoves = false;
        return report(ServerLineKind::NoSuchGame, line);
    }
    if (match(line, m_dialect.sObserveStart))
        return report(ServerLineKind::ObserveStart, line);
    if (!m_handler.observeMode())
        return false;
    if (match(line, m_dialect.sObserveStop))
        return report(ServerLineKind::ObserveStop, line);
    if (reportResult(ServerLineKind::ObservedGameResult, line))
        return true;
    if (!m_flags.bLoadingGame && match(line, m_dialect.sStyle12Line))
        return report(ServerLineKind::ObservedBoardLine, line);
    return false;
}

bool ServerDispatcher::handleNewLineAdjourned(std::string_view line)
{
    if (m_flags.bReceivingGamesAdjourn) {
        if (line == m_dialect.sStoredEnd) {
            m_flags.bReceivingGamesAdjourn = false;
            m_captures.clear();
            return report(ServerLineKind::StoredEnd, line);
        }
        if (match(line, m_dialect.sStoredNone)) {
            m_flags.bReceivingGamesAdjourn = false;
            return report(ServerLineKind::StoredNone, line);
        }
        if (match(line, m_dialect.sStoredLine))
            return report(ServerLineKind::StoredLine, line);
        return false;
    }
    if (match(line, m_dialect.sAdjournedArrived))
        return report(ServerLineKind::AdjournedArrived, line);
    if (match(line, m_dialect.sAdjournedOnline))
        return report(ServerLineKind::AdjournedOnline, line);
    return false;
}

bool ServerDispatcher::handleNewLineHistory(std::string_view line)
{
    if (line == m_dialect.sHistoryEnd) {
        m_flags.bReceivingGamesHistory = false;
        m_captures.clear();
        return report(ServerLineKind::HistoryEnd, line);
    }
    if (match(line, m_dialect.sHistoryLine))
        return report(ServerLineKind::HistoryLine, line);
    return false;
}

bool ServerDispatcher::handleNewLineChallenge(std::string_view line)
{
    if (match(line, m_dialect.sChallenge)) {
        matchPattern(line, m_dialect.sChallengeAdjourned, m_more);
        return report(ServerLineKind::Challenge, line);
    }
    if (match(line, m_dialect.sChallengeColor))
        return report(ServerLineKind::ChallengeColor, line);
    if (!m_flags.bLoadingGame && match(line, m_dialect.sMatchDeclined))
        return report(ServerLineKind::MatchDeclined, line);
    return false;
}

bool ServerDispatcher::handleNewLineChat(std::string_view line)
{
    const std::array<std::pair<const std::string*, ServerLineKind>, 15> kinds { {
        { &m_dialect.sTellLine, ServerLineKind::Tell },
        { &m_dialect.sSaysChannelLine, ServerLineKind::SaysChannel },
        { &m_dialect.sSaysLine, ServerLineKind::Says },
        { &m_dialect.sShoutLine, ServerLineKind::Shout },
        { &m_dialect.sCShoutLine, ServerLineKind::CShout },
        { &m_dialect.sIShoutLine, ServerLineKind::IShout },
        { &m_dialect.sKibitzLine, ServerLineKind::Kibitz },
        { &m_dialect.sKibitzShortLine, ServerLineKind::KibitzShort },
        { &m_dialect.sWhisperLine, ServerLineKind::Whisper },
        { &m_dialect.sWhisperShortLine, ServerLineKind::WhisperShort },
        { &m_dialect.sArrivedLine, ServerLineKind::Arrived },
        { &m_dialect.sPresentLine, ServerLineKind::Present },
        { &m_dialect.sDepartedLine, ServerLineKind::Departed },
        { &m_dialect.sNotificationLine, ServerLineKind::Notification },
        { &m_dialect.sSeekSent, ServerLineKind::SeekSent },
    } };
    for (const auto& [pattern, kind] : kinds)
        if (match(line, *pattern))
            return report(kind, line);
    return false;
}

bool ServerDispatcher::handleNewLineVariables(std::string_view line)
{
    if (m_flags.bReceivingVariables) {
        m_captures.clear();
        if (line == m_dialect.sPrompt) {
            m_flags.bReceivingVariables = false;
            return report(ServerLineKind::VariablesEnd, line);
        }
        return report(ServerLineKind::VariablesLine, line);
    }
    if (!match(line, m_dialect.sVariablesStart))
        return false;
    m_flags.bReceivingVariables = true;
    return report(ServerLineKind::VariablesStart, line);
}

bool ServerDispatcher::handleNewLineFinger(std::string_view line)
{
    if (m_flags.bReceivingFinger) {
        m_captures.clear();
        if (line == m_dialect.sPrompt) {
            m_flags.bReceivingFinger = false;
            return report(ServerLineKind::FingerEnd, line);
        }
        return report(ServerLineKind::FingerLine, line);
    }
    if (!match(line, m_dialect.sFingerStart) && !match(line, m_dialect.sStatisticsStart))
        return false;
    m_flags.bReceivingFinger = true;
    return report(ServerLineKind::FingerStart, line);
}

bool ServerDispatcher::handleNewLineServerMessage(std::string_view line)
{
    if (match(line, m_dialect.sMustRegister1) || match(line, m_dialect.sMustRegister2))
        return report(ServerLineKind::MustRegister, line);
    return false;
}

void ServerDispatcher::handleNewLineReply(std::string_view line)
{
    // Only the first reply counts: the flag goes whatever the line says.
    m_flags.bAwaitingReply = false;
    if (match(line, m_dialect.sIssuing))
        report(ServerLineKind::Issuing, line);
    else if (line != m_dialect.sPrompt) {
        m_captures.clear();
        report(ServerLineKind::Reply, line);
    }
}

bool ServerDispatcher::handleNewLineChannels(std::string_view line)
{
    if (match(line, m_dialect.sChannelLine))
        return report(ServerLineKind::ChannelLine, line);
    return false;
}

} // namespace velmorak
