#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "server/ServerChat.h"
#include "server/ServerCommandSink.h"
#include "server/ServerDialect.h"
#include "server/ServerDispatcher.h"
#include "server/ServerFinger.h"
#include "server/ServerLists.h"
#include "server/ServerOffers.h"
#include "server/ServerVariables.h"
#include "server/TextRingBuffer.h"

namespace velmorak::test {

// Keeps every line sent.
class RecordingCommandSink : public ServerCommandSink {
public:
    void sendLine(std::string_view text) override { sent.emplace_back(text); }
    std::vector<std::string> sent;
};

// The server's list, chat and offer models behind a real dispatcher, as the session wires
// them: feed() hands a server line to callHandlers.
class ServerModelHarness : public ServerLineHandler {
public:
    explicit ServerModelHarness(int dialectIndex = kFicsDialect, std::string handle = "gbtami")
        : dialect(makeServerDialects()[static_cast<std::size_t>(dialectIndex)])
        , sessionHandle(std::move(handle))
        , dispatcher(dialect, *this)
        , lists(dialect, [this](std::string_view text) { logged.emplace_back(text); })
        , chat(dialect, console, [this](std::string_view text) { logged.emplace_back(text); })
        , variables(dialect)
        , finger(dialect)
    {
        chat.setSessionHandle(sessionHandle);
    }

    void feed(std::initializer_list<std::string_view> lines)
    {
        for (auto line : lines)
            dispatcher.callHandlers(line);
    }

    bool addConsoleLine(std::string_view line) override { return console.addString(line); }
    void log(std::string_view text) override { logged.emplace_back(text); }
    bool serverGameMode() const override { return playing; }
    bool observeMode() const override { return false; }
    bool hasCurrentGame() const override { return true; }
    int serverGameNumber() const override { return -1; }
    bool takeWhoEntries(std::string_view line) override { return lists.takeWhoEntries(line); }
    void handleServerLine(const ServerLineEvent& event) override
    {
        auto& flags = dispatcher.flags();
        switch (event.kind) {
        case ServerLineKind::SoughtEnd:
            lists.finish(ServerList::Seeks, flags);
            return;
        case ServerLineKind::GamesEnd:
            lists.finish(ServerList::Observe, flags);
            return;
        case ServerLineKind::StoredEnd:
        case ServerLineKind::StoredNone:
            lists.finish(ServerList::Adjourned, flags);
            return;
        case ServerLineKind::HistoryEnd:
            lists.finish(ServerList::History, flags);
            return;
        case ServerLineKind::WhoEnd:
            lists.finishWho(flags);
            return;
        default:
            break;
        }
        if (lists.handle(event) || chat.handle(event) || variables.handle(event) ||
            finger.handle(event))
            return;
        if (auto read = ServerChallenge::read(event, dialect, sessionHandle))
            challenge = read;
        else
            prompt = serverPromptFor(event, dialect, opponent);
    }

    ServerDialect dialect;
    std::string sessionHandle;
    std::string opponent = "Rival"; // the opponent named by the current game's tags
    TextRingBuffer console { 65536 };
    ServerDispatcher dispatcher;
    ServerLists lists;
    ServerChat chat;
    ServerVariables variables;
    ServerFinger finger;
    RecordingCommandSink sink;
    bool playing = false;
    std::vector<std::string> logged;
    std::optional<ServerChallenge> challenge;
    std::optional<ServerPrompt> prompt;
};

} // namespace velmorak::test
