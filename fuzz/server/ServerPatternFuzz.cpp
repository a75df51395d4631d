// Whatever the line, matching it against every template of both dialects ends, and a match
// hands back one non-empty capture per `%` code, each a piece of the line; the dispatcher
// takes it in any state its first byte picks. An input holding a zero byte is read as a
// template of its own followed by the line.
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "server/ServerDialect.h"
#include "server/ServerDispatcher.h"
#include "server/ServerGameResult.h"
#include "server/ServerPattern.h"

using namespace velmorak;

namespace {

// Plays and observes as the state byte says; checks that result kinds carry their result.
class CheckingHandler : public ServerLineHandler {
public:
    explicit CheckingHandler(unsigned state)
        : m_state(state)
    {
    }
    bool addConsoleLine(std::string_view) override { return true; }
    void log(std::string_view) override { }
    bool serverGameMode() const override { return (m_state & 1) != 0; }
    bool observeMode() const override { return (m_state & 2) != 0; }
    bool hasCurrentGame() const override { return true; }
    int serverGameNumber() const override { return 1; }
    bool takeWhoEntries(std::string_view line) override { return !line.empty(); }
    void handleServerLine(const ServerLineEvent& event) override
    {
        bool isResult = event.kind == ServerLineKind::GameResult ||
            event.kind == ServerLineKind::ObservedGameResult;
        if (isResult && event.result == nullptr)
            std::abort();
    }

private:
    unsigned m_state;
};

void check(std::string_view line, std::string_view pattern, PatternCaptures& captures)
{
    if (!matchPattern(line, pattern, captures)) {
        if (!captures.empty())
            std::abort();
        return;
    }
    std::size_t at = 0;
    for (const std::string& capture : captures) {
        std::size_t found = line.find(capture, at);
        if (capture.empty() || found == std::string_view::npos)
            std::abort();
        at = found + capture.size();
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    static const auto dialects = makeServerDialects();
    std::string_view input(reinterpret_cast<const char*>(data), size);
    PatternCaptures captures;
    std::size_t zero = input.find('\0');
    if (zero != std::string_view::npos) {
        check(input.substr(zero + 1), input.substr(0, zero), captures);
        return 0;
    }
    for (const ServerDialect& dialect : dialects) {
        for (auto member : kServerDialectTemplates)
            check(input, dialect.*member, captures);
        auto result = parseGameResult(input, dialect);
        if (result && result->result.empty())
            std::abort();
        unsigned state = input.empty() ? 0 : static_cast<unsigned char>(input[0]);
        CheckingHandler handler(state);
        ServerDispatcher dispatcher(dialect, handler);
        ServerReceiveFlags& flags = dispatcher.flags();
        flags.bReceivingWho = (state & 4) != 0;
        flags.bReceivingMoves = flags.bReceivingGamesObserve = (state & 8) != 0;
        flags.bLoadingGame = (state & 16) != 0;
        flags.bReceivingGamesSeek = flags.bReceivingGamesAdjourn = (state & 32) != 0;
        flags.bReceivingGamesHistory = flags.bReceivingFinger = (state & 64) != 0;
        flags.bAwaitingReply = flags.bReceivingVariables = (state & 128) != 0;
        dispatcher.callHandlers(input);
    }
    return 0;
}
