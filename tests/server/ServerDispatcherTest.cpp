#include "server/ServerDispatcher.h"

#include <gtest/gtest.h>

namespace velmorak {
namespace {

// Keeps what the dispatcher hands over: the kind of each recognised line and its captures.
class RecordingHandler : public ServerLineHandler {
public:
    bool addConsoleLine(std::string_view line) override
    {
        console.emplace_back(line);
        return true;
    }
    void log(std::string_view text) override { logged.emplace_back(text); }
    bool serverGameMode() const override { return playing; }
    bool observeMode() const override { return observing; }
    bool hasCurrentGame() const override { return true; }
    int serverGameNumber() const override { return gameNumber; }
    bool takeWhoEntries(std::string_view line) override { return line.starts_with("1500"); }
    void handleServerLine(const ServerLineEvent& event) override
    {
        kinds.emplace_back(serverLineKindName(event.kind));
        captures = event.captures;
        more = event.more;
        if (event.result)
            result = *event.result;
    }

    bool playing = false;
    bool observing = false;
    int gameNumber = -1;
    std::vector<std::string> console;
    std::vector<std::string> logged;
    std::vector<std::string> kinds;
    PatternCaptures captures;
    PatternCaptures more;
    std::optional<ServerGameResult> result;
};

enum State : unsigned {
    Idle = 0,
    Playing = 1,
    Observing = 2,
    Loading = 4,
    Variables = 8,
    Adjourned = 16,
    Awaiting = 32,
    Who = 64,
};

struct Row {
    unsigned state;
    const char* line;
    const char* kind; // "-" when no recogniser takes it
    bool consumed;
};

const std::string kStyle12 = "<12> rnbqkbnr pppp-ppp -------- ----p--- -------- -----P-- PPPPP-PP "
                             "RNBQKBNR W 4 1 1 1 1 0 107 gbtami ggbtami 1 5 0 39 39 300000 300000 "
                             "2 P/e7-e5 (0:00.000) e5 0 1 0";
const char* const kMate = "{Game 107 (gbtami vs. ggbtami) gbtami checkmated} 0-1";

// Real server lines, each in the state that decides who takes it.
TEST(ServerDispatcherTest, OffersLinesInOrder)
{
    const auto dialects = makeServerDialects();
    const Row rows[] = {
        { Idle, "Creating: mgatto (1327) Thegermain (1645) unrated blitz 4 0", "GameCreate1",
            true },
        { Idle, "{Game 55 (mgatto vs. Thegermain) Creating unrated blitz match.}", "GameCreate2",
            true },
        { Idle, "{Game 55 (mgatto vs. Thegermain) Continuing unrated blitz match.}", "GameContinue",
            true },
        { Idle, kStyle12.c_str(), "-", false },
        { Playing, kStyle12.c_str(), "BoardLine", true },
        { Observing, kStyle12.c_str(), "ObservedBoardLine", true },
        { Playing | Loading, kStyle12.c_str(), "-", false },
        { Idle, kMate, "-", false },
        { Playing, kMate, "GameResult", true },
        { Observing, kMate, "ObservedGameResult", true },
        { Playing, "gbtami offers you a draw.", "DrawOffer", true },
        { Idle, "You are now observing game 12.", "ObserveStart", true },
        { Idle, "Removing game 127 from observation list.", "-", false },
        { Observing, "Removing game 127 from observation list.", "ObserveStop", true },
        { Loading, "There is no such game.", "NoSuchGame", true },
        { Idle, "LectureBot(TD)(----)[1] kibitzes: Can you find Black's best move?", "Kibitz",
            true },
        { Idle, "Challenge: ggbtami (----) gbtami (1708) unrated blitz 5 0.", "Challenge", true },
        { Idle, "(9 player(s) saw the seek.)", "SeekSent", true },
        { Idle, "Notification: gbtami has arrived.", "Arrived", true },
        { Idle, "Notification: BabyLurking, who has an adjourned game with you, has arrived.",
            "AdjournedArrived", true },
        { Adjourned,
            " 1: W gbtami         N [ wr  2   2] 31-31 W18  --- Wed Dec 23, 06:58 PST 2009",
            "StoredLine", true },
        { Adjourned, "tester has no adjourned games.", "StoredNone", true },
        { Adjourned, "fics% ", "StoredEnd", true },
        { Variables, "fics% ", "VariablesEnd", true },
        { Variables, "shout=0", "VariablesLine", true },
        { Idle, "fics% ", "-", false },
        { Awaiting, "Sorry, game 12 is a private game.", "Reply", false },
        { Awaiting, "Issuing: gbtami (1708) ggbtami (----) unrated blitz 5 0.", "Issuing", false },
        { Idle, "gbtami(53): anyone for a game?", "ChannelLine", true },
        { Who, "1500.gbtami  1400 ggbtami", "-", true },
        { Who, " 620 players displayed (of 620). (*) indicates system administrator.", "WhoEnd",
            true },
    };
    for (const Row& row : rows) {
        RecordingHandler handler;
        handler.playing = (row.state & Playing) != 0;
        handler.observing = (row.state & Observing) != 0;
        ServerDispatcher dispatcher(dialects[kFicsDialect], handler);
        ServerReceiveFlags& flags = dispatcher.flags();
        flags.bLoadingGame = (row.state & Loading) != 0;
        flags.bReceivingVariables = (row.state & Variables) != 0;
        flags.bReceivingGamesAdjourn = (row.state & Adjourned) != 0;
        flags.bAwaitingReply = (row.state & Awaiting) != 0;
        flags.bReceivingWho = (row.state & Who) != 0;
        EXPECT_EQ(dispatcher.callHandlers(row.line), row.consumed) << row.line;
        EXPECT_EQ(handler.kinds.empty() ? "-" : handler.kinds.back(), row.kind) << row.line;
        EXPECT_EQ(handler.console.size(), 1u);
        // A list's last line ends its flag; a reply is awaited for one line only.
        EXPECT_FALSE(flags.bAwaitingReply);
        if (std::string_view(row.kind).ends_with("End") ||
            std::string_view(row.kind) == "StoredNone") {
            EXPECT_FALSE(
                flags.bReceivingVariables || flags.bReceivingGamesAdjourn || flags.bReceivingWho)
                << row.line;
        }
    }
}

// A move list as the server sends it, from the header to the prompt.
TEST(ServerDispatcherTest, ReadsAMoveList)
{
    const auto dialects = makeServerDialects();
    RecordingHandler handler;
    handler.gameNumber = 463;
    ServerDispatcher dispatcher(dialects[kFicsDialect], handler);
    dispatcher.flags().bReceivingMoves = true;
    dispatcher.flags().bLoadingGame = true;
    const char* const lines[] = {
        "Movelist for game 463:",
        "",
        "schachbjm (2243) vs. Maras (2158) --- Sat Jan 23, 14:34 EST 2016",
        "Rated standard match, initial time: 45 minutes, increment: 45 seconds.",
        "",
        "Move  schachbjm               Maras",
        "----  ---------------------   ---------------------",
        "1.  e4      (0:00.000)      e6      (0:00.000)",
        "2.  d4      (0:01.617)  ",
        "      {Still in progress} *",
        "fics% ",
    };
    std::string sequence;
    for (const char* line : lines) {
        std::size_t before = handler.kinds.size();
        dispatcher.callHandlers(line);
        sequence += (handler.kinds.size() > before ? handler.kinds.back() : "-") + " ";
        if (std::string_view(line).starts_with("Rated")) {
            EXPECT_EQ(handler.captures, (PatternCaptures { "45", "45" }));
        }
    }
    EXPECT_EQ(sequence,
        "MovesStarted - MovesHeader MovesLevel - - - MovesPair MovesSingle MovesResult "
        "MovesEnded ");
    EXPECT_FALSE(dispatcher.flags().bReceivingMoves);
    EXPECT_FALSE(dispatcher.flags().bLoadingGame);
    EXPECT_FALSE(dispatcher.flags().bMovesStarted);
    // Blank lines stay out of the console.
    EXPECT_EQ(handler.console.size(), 9u);
}

TEST(ServerDispatcher, LinesThatLookLikeMovesAreChatUntilTheListBegins)
{
    const auto dialects = makeServerDialects();
    RecordingHandler handler;
    ServerDispatcher dispatcher(dialects[kFicsDialect], handler);
    dispatcher.flags().bReceivingMoves = true;
    for (const char* line : { "GuestABCD tells you: 1. e4 e5 2. Nf3 Nc6",
             "1.  e4      (0:00.000)      e6      (0:00.000)",
             "Movelist for game 7:", "1.  e4      (0:00.000)      e6      (0:00.000)" })
        dispatcher.callHandlers(line);
    EXPECT_EQ(handler.kinds, (std::vector<std::string> { "Tell", "MovesStarted", "MovesPair" }));
}

} // namespace
} // namespace velmorak
