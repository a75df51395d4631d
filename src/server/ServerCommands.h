#pragma once

#include <functional>
#include <string>
#include <string_view>

#include "server/ServerDialect.h"
#include "server/ServerDispatcher.h"
#include "server/ServerLists.h"

namespace velmorak {

class ServerCommandSink;

// What the guards of the server actions need to know of the session.
struct ServerActionState {
    bool online = false;
    bool serverGameMode = false;
};

// The commands of a running game that the main window offers.
enum class InGameCommand { Resign, Abort, Draw, Flag, Adjourn };

// The Yes/No question an in-game command asks before it is sent.
struct InGameQuestion {
    std::string_view text;
    std::string_view title;
};

// The refusals of the guards, and nothing (empty) when the action went out.
inline constexpr std::string_view kPleaseLogin = "Please login first!";
inline constexpr std::string_view kFinishGameFirst =
    "Please finish the currently running game first!";
inline constexpr std::string_view kSelectGameFirst = "Select a game first!";

// The "seek" line for these settings, as the seek page sends it.
std::string seekLine(const ServerDialect& dialect, const ServerSeekSettings& settings);
// The challenge to `name` with the seek settings' terms.
std::string matchLine(
    const ServerDialect& dialect, std::string_view name, const ServerSeekSettings& settings);
// The name in a player-box text "name (rating)": up to the first blank or "(".
std::string_view playerBoxName(std::string_view text);

// The question an in-game command asks first, or null for those sent at once.
const InGameQuestion* inGameQuestion(InGameCommand command);

// The actions of the server sheet and the in-game commands: each checks its guards, then
// sends its line; those the server answers with a reply set `bAwaitingReply`. Leaving
// observation first, where an action asks for it, is the caller's.
class ServerCommands {
public:
    using Logger = std::function<void(std::string_view)>;

    ServerCommands(const ServerDialect& dialect, ServerCommandSink& sink, ServerReceiveFlags& flags,
        Logger log);

    std::string_view sendSeek(const ServerActionState& state, const ServerSeekSettings& settings);
    std::string_view sendUnseek(const ServerActionState& state);
    // `player` is the text of the player box.
    std::string_view sendMatch(const ServerActionState& state, std::string_view player,
        const ServerSeekSettings& settings);
    std::string_view sendPlay(const ServerActionState& state, const ServerListEntry* seek);
    std::string_view continueAdjourned(const ServerActionState& state, const ServerListEntry* game);
    std::string_view resumeAny(const ServerActionState& state);
    // The guards of loading a stored or finished game, which fetches its moves itself.
    static std::string_view loadGuard(const ServerActionState& state, const ServerListEntry* game);

    // Sends an in-game command (after its question was answered Yes); nothing outside a
    // played game. False when nothing was sent.
    bool sendInGame(const ServerActionState& state, InGameCommand command);
    // Asks to take back the user's last move: one ply when the opponent is to move, else two.
    bool sendTakeback(const ServerActionState& state, bool userToMove);

private:
    static std::string_view guard(const ServerActionState& state);

    const ServerDialect& m_dialect;
    ServerCommandSink& m_sink;
    ServerReceiveFlags& m_flags;
    Logger m_log;
};

} // namespace velmorak
