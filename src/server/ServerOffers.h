#pragma once

#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include "server/ServerDialect.h"
#include "server/ServerLineHandler.h"

namespace velmorak {

class ServerCommandSink;

// A box the client shows for what the server offers or announces: a Yes/No question with
// the line each answer sends, or a notice (no lines). `error` marks the server's refusals.
struct ServerPrompt {
    std::string text;
    std::string title;
    bool question = false;
    bool error = false;
    std::string yesLine;
    std::string noLine;
};

// The box for an offer, a decline or a notice among the recognised lines; nothing for the
// other kinds. `opponent` names the opponent of the current game, for the declines whose
// lines name nobody.
std::optional<ServerPrompt> serverPromptFor(
    const ServerLineEvent& event, const ServerDialect& dialect, std::string_view opponent);
// The notice for the first reply to a challenge, seek answer or continue.
ServerPrompt serverReplyPrompt(std::string_view line);

// A challenge as the "Accept match" dialog shows it, with the answer it sends.
class ServerChallenge {
public:
    using Logger = std::function<void(std::string_view)>;

    // Reads a Challenge or ChallengeColor event; `handle` is the user's session name.
    static std::optional<ServerChallenge> read(
        const ServerLineEvent& event, const ServerDialect& dialect, std::string_view handle);

    const std::string& players() const { return m_players; }
    const std::string& terms() const { return m_terms; }
    const std::string& note() const { return m_note; }
    // The player who is not the user; empty when the line names the user on neither side.
    const std::string& opponent() const { return m_opponent; }

    // Sends the accept or decline line. A challenge that names the user on neither side is
    // not one to answer: nothing goes out then (the reply would reach whatever offer
    // happens to be pending), and the refusal is logged. False when nothing was sent.
    bool answer(bool accept, const ServerDialect& dialect, ServerCommandSink& sink,
        const Logger& log) const;

private:
    std::string m_players;
    std::string m_terms;
    std::string m_note;
    std::string m_opponent;
};

} // namespace velmorak
