// The status panel's texts for every state of the controller and the engine, the analysis
// list, the landscape move list and the redraw rule.
#include "present/StatusPanel.h"

#include <gtest/gtest.h>

#include "record/CGameNode.h"
#include "record/CPgnGame.h"
#include "support/ControllerHarness.h"

namespace velmorak::test {
namespace {

// After 1.e4 (1.e4 e5 with `blackMoved`), players known, an engine that reported a line.
// Flags change the state: L level line, m "Show mainline" off, b engine busy, p pondering,
// r ponder result waiting, t training, a analysis list, 3/8 that layout, w a score for black
// shown for white, c line cut to 14, n no engine line, s connected to a server with status
// text, k server marker, o observing, R at the root, B no black player.
StatusInput panelInput(ControllerHarness& h, std::string_view flags, bool blackMoved = false)
{
    for (auto [tag, value] : { std::pair { "White", "Anna" }, { "Black", "Ben" },
             { "WhiteElo", "2100" }, { "Date", "2026.01.02" }, { "Event", "Club" } })
        h.controller->game().setTag(tag, value);
    h.controller->game().root()->setComment(std::string(kRootPlaceholderComment));
    EXPECT_TRUE(h.play("e4"));
    EXPECT_TRUE(!blackMoved || h.play("e5"));
    h.controller->currentNode()->setComment("Good");
    StatusInput in = statusInput(*h.controller);
    auto has = [&](char flag) { return flags.find(flag) != std::string_view::npos; };
    in.info.depth = 7, in.info.lineDepth = 6, in.info.score = 150, in.info.searchStartTick = 1000;
    in.info.currentMoveNumber = 3, in.info.moveCount = 20, in.nodesPerSecond = 250'000;
    in.info.sanCurrentMove = "Nf6", in.ponderSan = "e5", in.info.sanLine = "1..e5 2.Nf3";
    in.info.rawLine = has('n') ? "" : "e7e5 g1f3", in.lineWidth = has('c') ? 14 : in.lineWidth;
    in.scoreAlwaysForWhite = has('w'), in.info.scoreSide = has('w') ? kBlackSide : kWhiteSide;
    in.showLevelLine = has('L'), in.showMainline = !has('m');
    in.engineBusy = has('b') || has('p'), in.ponderActive = has('p');
    in.ponderResultReady = has('r'), in.ponderMove = has('r') ? Move { 1, 4, 2, 0 } : NoMove;
    in.trainingMode = has('t'), in.hasAnalysisList = has('a');
    in.layout = has('3') ? 3 : has('8') ? 8 : 0, in.serverStatus = "Seeking";
    in.serverConnected = has('s'), in.serverMarker = has('k'), in.serverPlayOrObserve = has('o');
    in.currentNode = has('R') ? in.currentNode->parent() : in.currentNode;
    in.tags.black = has('B') ? "" : in.tags.black;
    return in;
}

TEST(StatusPanel, TwoLinesOfEveryState)
{
    const std::string line = "D6 +1.50 1..e5 2.Nf3";
    struct Row {
        const char* name;
        const char* flags;
        bool blackMoved;
        StatusLines lines;
    } rows[] = {
        { "game view, idle, no engine line", "mn", false, { "Last move 1. e4", "Anna - Ben, *" } },
        { "game view, idle, engine line", "m", false, { "Last move 1. e4", line } },
        { "game view, line goes to the list", "ma", false, { "Last move 1. e4", "Anna - Ben, *" } },
        { "game view, searching", "Lb", false, { "Thinking...", line } },
        { "game view, training", "Lt", false, { "Training: Black to move", line } },
        { "engine view, idle, after Black", "", true, { "Last move 1... e5", line } },
        { "engine view, pondering", "p", false, { "D7 e5 Nf6(3/20) 250kNps", line } },
        { "engine view, ponder result waits", "r", false, { "D7 e5 Nf6(3/20) 250kNps", line } },
        { "engine view, searching, no line", "bn", false, { "D7 Nf6(3/20) 250kNps", "Good" } },
        { "engine view, list, training", "at", false,
            { "Training: Black to move", "Anna - Ben, *" } },
        { "landscape, searching", "b3", false, { "D7 Nf6(3/20)", line } },
        { "landscape, pondering, for white, cut", "p3wc", true,
            { "D7 e5 Nf6(3/20)", "D6 -1.50 1..e5" } },
        { "landscape, training", "L3t", true, { "Training:White moves", line } },
        { "landscape, idle", "3", true, { "Move 1... e5", line } },
    };
    for (const Row& row : rows) {
        ControllerHarness h(std::nullopt);
        EXPECT_EQ(statusLines(panelInput(h, row.flags, row.blackMoved)), row.lines) << row.name;
    }
    ControllerHarness fresh(std::nullopt);
    EXPECT_EQ(statusLines(statusInput(*fresh.controller)), (StatusLines { "Level 5min", " " }));
}

TEST(StatusPanel, PlayersStayBelowTheEngineLine)
{
    const struct {
        const char* flags;
        std::string below;
    } rows[] = { { "", "Anna - Ben, *" }, { "8", "Anna - Ben, *" }, { "n", "Anna - Ben, *" },
        { "mn", "" }, { "a", "" }, { "3", "" }, { "B", "" } };
    for (const auto& row : rows) {
        ControllerHarness h(std::nullopt);
        StatusInput in = panelInput(h, row.flags);
        EXPECT_EQ(playersBelow(in, statusLines(in)), row.below) << row.flags;
    }
}

TEST(StatusPanel, ClocksInTheOrderShownWithTheSideToMove)
{
    ControllerHarness h(std::nullopt);
    h.options.autoAnswer = false;
    h.playAll({ "f3", "e5", "g4" });
    const ClockFace white { "05:00", true, false }, black { "05:00", false, true };
    EXPECT_EQ(clockFaces(*h.controller, false, 8), (ClockFaces { white, black }));
    EXPECT_EQ(clockFaces(*h.controller, true, 8), (ClockFaces { black, white }));
    EXPECT_EQ(clockFaces(*h.controller, true, 10), (ClockFaces { white, black }));
    h.playAll({ "Qh4" });
    EXPECT_FALSE(clockFaces(*h.controller, false, 8)[0].toMove) << "mate: no clock runs";
}

TEST(StatusPanel, HeaderAndPlayersLines)
{
    struct Row {
        const char* name;
        const char* flags;
        std::string header, players;
    } rows[] = {
        { "root's placeholder comment", "R", "", "Anna - Ben, *" },
        { "connected, marker, status text", "sk", "(:-) Seeking", "Anna - Ben, *" },
        { "observing", "so", "Anna (2100) - Ben, *", "Anna - Ben, *" },
        { "two-line layout", "s8", "Anna (2100) - Ben, *\nSeeking",
            "Anna - Ben, *\n2026.01.02,Club" },
        { "training", "t", "", "Anna - Ben, *" },
        { "no black player", "B", "Good", " " },
    };
    for (const Row& row : rows) {
        ControllerHarness h(std::nullopt);
        StatusInput in = panelInput(h, row.flags);
        EXPECT_EQ(headerLine(in, kHeaderLineLength), row.header) << row.name;
        EXPECT_EQ(playersLine(in), row.players) << row.name;
    }
    EXPECT_EQ(cutCharacters(std::string(500, 'x'), kHeaderLineLength).size(), 400u);
    EXPECT_EQ(cutCharacters("\xC3\xA9t\xC3\xA9", 2), "\xC3\xA9t") << "whole characters only";
}

TEST(StatusPanel, AnalysisListAddsChangedLinesNewestFirstAndBookMovesAsBook)
{
    ControllerHarness h(std::nullopt);
    StatusInput in = panelInput(h, "");
    AnalysisList list;
    EXPECT_TRUE(list.addAnalysisLine(in, 66'000));
    EXPECT_FALSE(list.addAnalysisLine(in, 67'000)) << "same depth and line";
    in.info.lineDepth = 7;
    EXPECT_TRUE(list.addAnalysisLine(in, 67'000));
    std::deque<std::string> expected { "1..e5 2.Nf3", "  (+1.50) Depth 7 Time 01:06", "1..e5 2.Nf3",
        "  (+1.50) Depth 6 Time 01:05" };
    EXPECT_EQ(list.entries(), expected);
    in.showMainline = false, in.info.lineDepth = 8;
    EXPECT_FALSE(list.addAnalysisLine(in, 68'000)) << "neither mainline nor analysis";

    // A book move is no search: no depth, no score, no time.
    in.showMainline = true, in.info.fromBook = true;
    EXPECT_EQ(engineLine(in), "Book 1..e5 2.Nf3");
    AnalysisList book;
    book.addAnalysisLine(in, 5000);
    EXPECT_EQ(book.entries(), (std::deque<std::string> { "1..e5 2.Nf3", "  Book" }));
}

// Each way the position jumps takes the analysis list's lines with it; a move played keeps
// them. A result stays with the position that decided it.
TEST(StatusPanel, StaleLinesAndResultGoWithTheirPosition)
{
    using H = ControllerHarness&;
    const struct {
        const char* name;
        void (*change)(H);
        bool stale;
    } rows[] = {
        { "a move played", [](H h) { h.play("Qh4"); }, false },
        { "new game", [](H h) { h.c().newGame(false); }, true },
        { "another game", [](H h) { h.c().setGame(std::make_unique<CPgnGame>()); }, true },
        { "take-back", [](H h) { h.c().takeBackMove(false); }, true },
        { "forward", [](H h) { h.c().takeBackPlies(2), h.c().forwardMove(); }, true },
        { "replay step", [](H h) { h.c().backToStart(), h.c().startReplay(), h.elapse(500); },
            true },
    };
    auto start = [](ControllerHarness& h) {
        h.options.autoAnswer = false;
        h.controller->game().setTag("White", "Anna"), h.controller->game().setTag("Black", "Ben");
        h.playAll({ "f3", "e5", "g4" });
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        ControllerHarness h(std::nullopt);
        start(h);
        StatusInput in = statusInput(*h.controller);
        in.info.sanLine = "2..Qh4#", in.info.lineDepth = 1;
        AnalysisList list;
        ASSERT_TRUE(list.addAnalysisLine(in, 0));
        row.change(h);
        EXPECT_EQ(list.addAnalysisLine(statusInput(*h.controller), 0), row.stale);
        EXPECT_EQ(list.entries().empty(), row.stale);
    }
    ControllerHarness h(std::nullopt);
    start(h);
    h.playAll({ "Qh4" });
    EXPECT_EQ(playersLine(statusInput(*h.controller)), "Anna - Ben, 0-1");
    h.controller->takeBackMove(false);
    EXPECT_EQ(playersLine(statusInput(*h.controller)), "Anna - Ben, *") << "mate taken back";
}

TEST(StatusPanel, LandscapeMoveListAroundTheCurrentMove)
{
    CGameNode root(NoMove, "root", -1);
    std::vector<CGameNode*> plies { &root }; // then plies 0..19, moves 1 to 10
    for (int ply = 0; ply < 20; ++ply)
        plies.push_back(plies.back()->addChild(std::make_unique<CGameNode>(
            Move { 0, PieceCode(ply % 2 ? 12 : 4), 0, 0 }, std::to_string(ply), ply)));
    struct Row {
        const char* name;
        const CGameNode* current;
        const char* firstNumber;
        int row, column;
    } rows[] = {
        { "middle: third row", plies[11], "4.", 2, 1 },
        { "end: last row", plies[20], "5.", 5, 2 },
    };
    for (const Row& row : rows) {
        LandscapeMoveList list(&root, row.current);
        EXPECT_EQ(list.rows()[0].number, row.firstNumber) << row.name;
        EXPECT_EQ(list.nodeAt(row.row, row.column), row.current) << row.name;
        const auto& cells = list.rows()[std::size_t(row.row)];
        EXPECT_TRUE(row.column == 1 ? cells.white.current : cells.black.current) << row.name;
    }
    EXPECT_EQ(LandscapeMoveList(&root, &root).rows()[5].black.text, "11") << "from the first move";
    EXPECT_EQ(LandscapeMoveList::columnAt(90, 150), 2);
}

TEST(StatusPanel, RedrawTheStatusWhenTheCurrentMoveChanges)
{
    StatusRedraw redraw;
    std::vector<bool> status { redraw.tick(0).status, redraw.tick(3).status,
        redraw.tick(3).status };
    EXPECT_EQ(status, (std::vector<bool> { false, true, false }));
}

} // namespace
} // namespace velmorak::test
