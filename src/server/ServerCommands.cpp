#include "server/ServerCommands.h"

#include <array>
#include <utility>

#include "server/ServerCommandSink.h"

namespace velmorak {

std::string seekLine(const ServerDialect& dialect, const ServerSeekSettings& settings)
{
    const bool icc = hasIccLists(dialect);
    std::string line = dialect.sSeekCmd + std::to_string(settings.minutes) + ' ' +
        std::to_string(settings.increment) + ' ' +
        (settings.rated ? dialect.sRatedWord : dialect.sUnratedWord) + ' ';
    if (settings.colour == kColourWhite)
        line += dialect.sWhiteWord + ' ';
    else if (settings.colour == kColourBlack)
        line += dialect.sBlackWord + ' ';
    line += settings.manual ? dialect.sManualWord : dialect.sAutoWord;
    if (!icc && settings.formula)
        line += dialect.sFormulaWord;
    line += std::to_string(settings.ratingLow) + '-' + std::to_string(settings.ratingHigh) + ' ';
    if (icc && settings.formula)
        line += dialect.sFormulaWord;
    return line;
}

std::string matchLine(
    const ServerDialect& dialect, std::string_view name, const ServerSeekSettings& settings)
{
    const bool icc = hasIccLists(dialect);
    const std::string terms =
        std::to_string(settings.minutes) + ' ' + std::to_string(settings.increment) + ' ';
    std::string line = dialect.sMatchCmd + std::string(name) + ' ';
    if (icc)
        line += terms;
    line += (settings.rated ? dialect.sRatedWord : dialect.sUnratedWord) + ' ';
    if (!icc)
        line += terms;
    if (settings.colour == kColourWhite)
        line += dialect.sWhiteWord;
    else if (settings.colour == kColourBlack)
        line += dialect.sBlackWord;
    return line;
}

std::string_view playerBoxName(std::string_view text)
{
    return text.substr(0, std::min(text.find_first_of(" ("), text.size()));
}

const InGameQuestion* inGameQuestion(InGameCommand command)
{
    static constexpr InGameQuestion kResign { "Really resign game?", "Resign game?" };
    static constexpr InGameQuestion kAbort { "Really abort game?", "Abort game?" };
    static constexpr InGameQuestion kDraw { "Really offer draw?", "Offer draw?" };
    switch (command) {
    case InGameCommand::Resign:
        return &kResign;
    case InGameCommand::Abort:
        return &kAbort;
    case InGameCommand::Draw:
        return &kDraw;
    default:
        return nullptr;
    }
}

ServerCommands::ServerCommands(
    const ServerDialect& dialect, ServerCommandSink& sink, ServerReceiveFlags& flags, Logger log)
    : m_dialect(dialect)
    , m_sink(sink)
    , m_flags(flags)
    , m_log(std::move(log))
{
}

std::string_view ServerCommands::guard(const ServerActionState& state)
{
    if (!state.online)
        return kPleaseLogin;
    if (state.serverGameMode)
        return kFinishGameFirst;
    return {};
}

std::string_view ServerCommands::loadGuard(
    const ServerActionState& state, const ServerListEntry* game)
{
    if (auto refused = guard(state); !refused.empty())
        return refused;
    return game ? std::string_view {} : kSelectGameFirst;
}

std::string_view ServerCommands::sendSeek(
    const ServerActionState& state, const ServerSeekSettings& settings)
{
    if (auto refused = guard(state); !refused.empty())
        return refused;
    m_sink.sendLine(seekLine(m_dialect, settings));
    return {};
}

std::string_view ServerCommands::sendUnseek(const ServerActionState& state)
{
    if (!state.online)
        return kPleaseLogin;
    m_sink.sendLine(m_dialect.sUnseekCmd);
    return {};
}

std::string_view ServerCommands::sendMatch(
    const ServerActionState& state, std::string_view player, const ServerSeekSettings& settings)
{
    if (auto refused = guard(state); !refused.empty())
        return refused;
    const auto name = playerBoxName(player);
    if (name.empty())
        return {};
    m_sink.sendLine(matchLine(m_dialect, name, settings));
    m_flags.bAwaitingReply = true;
    return {};
}

std::string_view ServerCommands::sendPlay(
    const ServerActionState& state, const ServerListEntry* seek)
{
    if (auto refused = loadGuard(state, seek); !refused.empty())
        return refused;
    m_sink.sendLine(m_dialect.sPlayCmd + std::to_string(seek->number));
    m_flags.bAwaitingReply = true;
    return {};
}

std::string_view ServerCommands::continueAdjourned(
    const ServerActionState& state, const ServerListEntry* game)
{
    if (auto refused = loadGuard(state, game); !refused.empty())
        return refused;
    if (game->name.empty()) {
        m_log("ERRROR no opponent in adjourned game in adjournDlgProc (1)");
        return {};
    }
    m_sink.sendLine(m_dialect.sMatchCmd + game->name);
    m_flags.bAwaitingReply = true;
    return {};
}

std::string_view ServerCommands::resumeAny(const ServerActionState& state)
{
    if (auto refused = guard(state); !refused.empty())
        return refused;
    m_sink.sendLine(m_dialect.sResumeCmd);
    return {};
}

bool ServerCommands::sendInGame(const ServerActionState& state, InGameCommand command)
{
    if (!state.online || !state.serverGameMode)
        return false;
    static constexpr std::array<const std::string ServerDialect::*, 5> kCommands {
        &ServerDialect::sResignCmd, &ServerDialect::sAbortCmd, &ServerDialect::sDrawCmd,
        &ServerDialect::sFlagCmd, &ServerDialect::sAdjournCmd
    };
    m_sink.sendLine(m_dialect.*kCommands[static_cast<std::size_t>(command)]);
    return true;
}

bool ServerCommands::sendTakeback(const ServerActionState& state, bool userToMove)
{
    if (!state.online || !state.serverGameMode)
        return false;
    m_sink.sendLine(m_dialect.sTakebackCmd + (userToMove ? "2" : "1"));
    return true;
}

} // namespace velmorak
