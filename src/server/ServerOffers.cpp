#include "server/ServerOffers.h"

#include <algorithm>

#include "server/ServerCommandSink.h"
#include "server/ServerGameKind.h"

namespace velmorak {

namespace {

const std::string& capture(const PatternCaptures& captures, std::size_t i)
{
    static const std::string kEmpty;
    return i < captures.size() ? captures[i] : kEmpty;
}

bool equalIgnoringCase(std::string_view a, std::string_view b)
{
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
        const auto lower = [](char c) {
            return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
        };
        return lower(x) == lower(y);
    });
}

// Replaces the one "%s" of `format` with `value`.
std::string fill(std::string_view format, std::string_view value)
{
    const auto at = format.find("%s");
    if (at == std::string_view::npos)
        return std::string(format);
    return std::string(format.substr(0, at)) + std::string(value) +
        std::string(format.substr(at + 2));
}

} // namespace

std::optional<ServerPrompt> serverPromptFor(
    const ServerLineEvent& event, const ServerDialect& dialect, std::string_view opponent)
{
    const auto& c = event.captures;
    const std::string& named = c.empty() ? std::string(opponent) : c[0];
    const auto request = [&](std::string_view format, std::string_view title,
                             const std::string& yes, const std::string& no) {
        return ServerPrompt { fill(format, named), std::string(title), true, false, yes, no };
    };
    const auto notice = [](std::string text, std::string_view title) {
        return ServerPrompt { std::move(text), std::string(title), false, false, {}, {} };
    };
    switch (event.kind) {
    case ServerLineKind::TakebackRequest:
        return request("Opponent requests to take back " +
                std::to_string(leadingNumber(capture(c, 1))) + " half moves. Accept?",
            "Takeback request received", dialect.sAcceptTakeback, dialect.sDeclineTakeback);
    case ServerLineKind::DrawOffer:
        return request("%s offers you a draw. Accept?", "Draw offer received", dialect.sAcceptDraw,
            dialect.sDeclineCmd);
    case ServerLineKind::AbortRequest:
        return request("%s would like to abort the game. Abort?", "Abort request received",
            dialect.sAbortCmd, dialect.sDeclineCmd);
    case ServerLineKind::AdjournRequest:
        return request("%s would like to adjourn the game. Adjourn?", "Adjourn request received",
            dialect.sAcceptAdjourn, dialect.sDeclineCmd);
    case ServerLineKind::TakebackDeclined:
        return notice(fill("%s declines takeback request", named), "Takeback request declined");
    case ServerLineKind::DrawDeclined:
        return notice(fill("%s declines your draw offer", named), "Draw offer declined");
    case ServerLineKind::AbortDeclined:
        return notice(fill("%s declines your abort request.", named), "Abort request declined");
    case ServerLineKind::AdjournDeclined:
        return notice(fill("%s declines the adjourn request.", named), "Adjourn request declined");
    case ServerLineKind::MatchDeclined:
        return notice(fill("%s declines the match offer.", named), "Match offer declined");
    case ServerLineKind::AdjournedOnline:
        if (hasIccLists(dialect))
            return notice(
                fill("You have an adjourned game with %s.", named), "You have adjourned games");
        return notice("You have adjourned games and " + std::to_string(leadingNumber(named)) +
                " opponents are online.",
            "You have adjourned games");
    case ServerLineKind::AdjournedArrived:
        return notice(fill("%s, who has an adjourned game with you, has arrived.", named),
            "Opponent arrived");
    case ServerLineKind::SeekSent:
        return notice(std::string(event.line), "Seek sent");
    case ServerLineKind::MustRegister: {
        auto prompt = notice("Message from server: " + std::string(event.line) +
                "\n\nAn account is registered on the server's web site.",
            "Message from server");
        prompt.error = true;
        return prompt;
    }
    default:
        return std::nullopt;
    }
}

ServerPrompt serverReplyPrompt(std::string_view line)
{
    return { "Server replies: " + std::string(line), "Offer declined", false, false, {}, {} };
}

std::optional<ServerChallenge> ServerChallenge::read(
    const ServerLineEvent& event, const ServerDialect& dialect, std::string_view handle)
{
    if (event.kind != ServerLineKind::Challenge && event.kind != ServerLineKind::ChallengeColor)
        return std::nullopt;
    const auto& c = event.captures;
    // The colour variant carries the bracketed colour as capture 4, the rest two further on.
    const bool coloured = event.kind == ServerLineKind::ChallengeColor;
    const std::size_t shift = coloured ? 2 : 0;
    ServerChallenge challenge;
    const std::string& first = capture(c, 0);
    const std::string& second = capture(c, 4 + shift);
    challenge.m_players =
        first + " (" + capture(c, 2) + " - " + second + " (" + capture(c, 6 + shift);
    const std::string& kind = capture(c, 10 + shift);
    challenge.m_terms = capture(c, 12 + shift) + " " + capture(c, 14 + shift) + " " +
        capture(c, 8 + shift) + " " + kind;
    if (!isSupportedKind(parseKindWord(kind)))
        challenge.m_terms += "\nWarning: Velmorak does not support this mode!";
    const std::string colour = coloured ? capture(c, 4) : std::string();
    if (!coloured && !event.more.empty())
        challenge.m_note = "Opponent asks to continue adjourned game.";
    else if (coloured && colour == dialect.sWhiteWord)
        challenge.m_note = "Opponent wants to play white.";
    else if (coloured && colour == dialect.sBlackWord)
        challenge.m_note = "Opponent wants to play black.";
    else
        challenge.m_note = "(no preferred color)";
    if (equalIgnoringCase(first, handle))
        challenge.m_opponent = second;
    else if (equalIgnoringCase(second, handle))
        challenge.m_opponent = first;
    return challenge;
}

bool ServerChallenge::answer(
    bool accept, const ServerDialect& dialect, ServerCommandSink& sink, const Logger& log) const
{
    if (m_opponent.empty()) {
        log("Challenge names neither player as us; not answered: " + m_players);
        return false;
    }
    sink.sendLine((accept ? dialect.sAcceptCmd : dialect.sDeclineCmd) + m_opponent);
    return true;
}

} // namespace velmorak
