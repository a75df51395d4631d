#include "engine/EngineOutput.h"

#include <gtest/gtest.h>

#include "rules/Board.h"
#include "rules/CoordinateNotation.h"
#include "support/FakeClock.h"
#include "support/MoveText.h"

namespace velmorak {
namespace {

class EngineOutputTest : public ::testing::Test {
protected:
    test::FakeClock clock;
    EngineOutput output { clock };
};

struct LineRow {
    const char* name;
    const char* fen;
    std::vector<const char*> movesMade;
    const char* raw;
    const char* san;
};

TEST_F(EngineOutputTest, LineReportsBecomeNumberedSanLines)
{
    const LineRow rows[] = {
        { "white to move with a trailing mark", kStartFen.data(), {}, "e2e4 e7e5 g1f3!",
            "1.e4 e5 2.Nf3!" },
        { "black to move starts with two periods",
            "rnbqkbnr/pppppppp/8/8/4P3/8/PPPP1PPP/RNBQKBNR b KQkq e3 0 12", {}, "e7e5 g1f3",
            "12..e5 13.Nf3" },
        { "a ponder move made on the shadow board counts", kStartFen.data(), { "e2e4" },
            "e7e5 g1f3 b8c6?", "1..e5 2.Nf3 Nc6?" },
        { "check marks", "4k3/8/8/8/8/8/8/R3K3 w - - 0 40", {}, "a1a8", "40.Ra8+" },
        { "an unreadable move ends the line", kStartFen.data(), {}, "e2e4 e2e4 g1f3", "1.e4" },
        { "nothing readable", kStartFen.data(), {}, "hello", "" },
    };
    for (const LineRow& row : rows) {
        SCOPED_TRACE(row.name);
        output.clear();
        output.setShadowPosition(row.fen);
        for (const char* move : row.movesMade)
            ASSERT_TRUE(output.enterShadowMove(move));
        output.reportLine(row.raw, 25);
        SearchInfo info = output.snapshot();
        EXPECT_EQ(info.rawLine, row.raw);
        EXPECT_EQ(info.sanLine, row.san);
        EXPECT_EQ(info.score, 25);
        // The shadow board is left as it was.
        Board expected(row.fen);
        for (const char* move : row.movesMade)
            makeCoordinateMove(expected, move);
        EXPECT_EQ(info.shadowBoard.fen(), expected.fen());
    }
}

TEST_F(EngineOutputTest, AnEmptyLineClearsTheSanLineAndClearingClearsAll)
{
    output.setShadowPosition(kStartFen);
    output.reportDepth(9, 14);
    output.reportLine("e2e4 e7e5", 10);
    output.reportDepth(10, 15);
    output.reportLine("", -5);
    SearchInfo info = output.snapshot();
    EXPECT_EQ(info.sanLine, "");
    EXPECT_EQ(info.rawLine, "");
    EXPECT_EQ(info.score, -5);
    EXPECT_EQ(info.lineDepth, 10);
    EXPECT_EQ(info.secondDepth, 15);

    // Clearing the record clears everything but the shadow board.
    output.enterShadowMove("e2e4");
    output.clear();
    EXPECT_EQ(output.snapshot().secondDepth, 0);
    EXPECT_EQ(output.snapshot().shadowBoard.fen(), test::positionAfter("e2e4").fen());
}

TEST_F(EngineOutputTest, LongTextsFromThePluginAreCut)
{
    output.setShadowPosition(kStartFen);
    std::string line;
    for (int i = 0; i < 50; ++i)
        line += "g1f3 g8f6 f3g1 f6g8 ";
    output.reportLine(line.c_str(), 0);
    output.reportCurrentMove(std::string(5000, 'x').c_str(), 1, 20);
    SearchInfo info = output.snapshot();
    EXPECT_EQ(info.rawLine.size(), SearchInfo::kMaxLineLength);
    EXPECT_LE(info.sanLine.size(), SearchInfo::kMaxLineLength);
    EXPECT_EQ(info.rawCurrentMove.size(), SearchInfo::kMaxMoveLength);
    output.reportLine(nullptr, 0);
    output.reportCurrentMove(nullptr, 0, 0);
    EXPECT_EQ(output.snapshot().rawLine, "");
}

TEST_F(EngineOutputTest, ExpectedRepliesShiftWithoutRepeatingTheNewMoveAndMustSuitThePosition)
{
    output.setShadowPosition(kStartFen);
    const char* const replies[] = { "d7d5", "c7c5", "e7e5", "b7b5", "a7a6" };
    // Build the list A B e7e5 C D (newest first) by reporting in reverse order.
    for (int i = 4; i >= 0; --i)
        output.reportLine((std::string("e2e4 ") + replies[i]).c_str(), 0);
    output.reportLine("e2e4 e7e5 g1f3!", 0);
    SearchInfo info = output.snapshot();
    // e7e5 A B C C D: the old e7e5 is overwritten and C is shifted into two places.
    std::string shown;
    for (Move reply : info.expectedReplies)
        shown += reply == NoMove ? "-" : writeCoordinates(reply) + " ";
    EXPECT_EQ(shown, "e7e5 d7d5 c7c5 b7b5 b7b5 a7a6 ----");

    // The newest reply, from another line, is legal after 1.e4 too; none is at the start.
    output.reportLine("d2d4 d7d5", 0);
    Board afterE4 = test::positionAfter("e2e4");
    EXPECT_EQ(output.expectedReply(afterE4), test::moveIn(afterE4, "d7d5"));
    Board start;
    EXPECT_EQ(output.expectedReply(start), NoMove);
    output.clear();
    EXPECT_EQ(output.expectedReply(afterE4), NoMove);
}

TEST_F(EngineOutputTest, ABooksMoveIsToldFromASearch)
{
    const struct {
        const char* name;
        const char* fen;
        const char* move;
        std::uint32_t nodes;
        int score;
        bool book;
    } rows[] = {
        { "the book's reports", kStartFen.data(), "e2e4", 0, 0, true },
        { "a search counts nodes", kStartFen.data(), "e2e4", 20, 0, false },
        { "a search scores", kStartFen.data(), "e2e4", 0, 35, false },
        { "the only legal move", "k7/8/8/8/8/8/1q6/K7 w - - 0 1", "a1b2", 0, 0, false },
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        output.clear();
        output.setShadowPosition(row.fen);
        output.reportNodes(row.nodes, 0);
        output.reportDepth(1, 1);
        output.reportCurrentMove(row.move, 1, 1);
        output.reportLine(row.move, row.score);
        EXPECT_EQ(output.snapshot().fromBook, row.book);
    }
}

TEST_F(EngineOutputTest, CurrentMoveNumbersShowFromOne)
{
    output.setShadowPosition(kStartFen);
    for (int first : { 0, 1 }) {
        SCOPED_TRACE("an engine counting from " + std::to_string(first));
        output.clear();
        for (int shown = 1; shown <= 3; ++shown) {
            output.reportCurrentMove("g1f3", first + shown - 1, 20);
            EXPECT_EQ(output.snapshot().displayedMoveNumber(), shown);
        }
    }
    output.reportCurrentMove("g1f3", 4, 20);
    EXPECT_EQ(output.snapshot().sanCurrentMove, "Nf3");
    output.reportCurrentMove("g1g3", 5, 20);
    EXPECT_EQ(output.snapshot().sanCurrentMove, "g1g3");
    EXPECT_EQ(output.snapshot().moveCount, 20);
}

TEST_F(EngineOutputTest, NodeRateStaysWithinBounds)
{
    struct Row {
        const char* name;
        std::int64_t elapsed;
        std::uint64_t nodes;
        int rate;
    } rows[] = {
        { "no time passed", 0, 500, 500000 },
        { "time runs backwards", -10, 0, 1 },
        { "no nodes", 1000, 0, 1 },
        { "ordinary", 2000, 3000000, 1500000 },
        { "too fast", 1, 1ull << 40, 10000000 },
        { "a count that would overflow the product", 1000, ~0ull, 10000000 },
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        output.clear();
        output.setSearchStartTick(1000);
        clock.setTicks(1000 + row.elapsed);
        output.reportNodes(std::uint32_t(row.nodes), std::uint32_t(row.nodes >> 32));
        EXPECT_EQ(output.snapshot().nodes, row.nodes);
        EXPECT_EQ(output.nodesPerSecond(), row.rate);
    }
}

TEST(ScoreText, ShowsPawnsAndMates)
{
    struct Row {
        int score;
        std::uint8_t side;
        bool alwaysWhite;
        const char* text;
    } rows[] = {
        { 29999, kWhiteSide, false, "+M1" },
        { -29998, kWhiteSide, false, "-M1" },
        { 29995, kBlackSide, false, "+M3" },
        { 150, kWhiteSide, false, "+1.50" },
        { 150, kBlackSide, true, "-1.50" },
        { 150, kWhiteSide, true, "+1.50" },
        { -20, kWhiteSide, false, "-0.20" },
        { 0, kWhiteSide, false, "+0.00" },
        { 28000, kWhiteSide, false, "+280.00" },
        { 29999, kBlackSide, true, "-M1" },
        { -29996, kWhiteSide, false, "-M2" },
        { 30001, kWhiteSide, false, "+M0" },
        // Past mate on the board: still a mate, never a negative count.
        { 30007, kWhiteSide, false, "+M0" },
        { -30006, kWhiteSide, false, "-M0" },
        // The most negative int, turned without overflow.
        { -2147483647 - 1, kBlackSide, true, "+M0" },
        { 2147483647, kWhiteSide, false, "+M0" },
    };
    for (const auto& row : rows)
        EXPECT_EQ(scoreText(row.score, row.side, row.alwaysWhite), row.text) << row.score;
}

TEST_F(EngineOutputTest, ReportTableForwardsToTheTarget)
{
    const EngineCallbacks* table = EngineOutput::reportTable();
    EXPECT_EQ(table->reserved, 0u);
    EngineOutput::setReportTarget(&output);
    int redraws = 0;
    output.setChangedHook([&] {
        ++redraws;
        // The record is complete and unlocked when the hook runs.
        EXPECT_GE(output.snapshot().depth, 7);
    });
    output.setShadowPosition(kStartFen);
    table->reportDepth(7, 9);
    table->reportLine("d2d4", 31);
    table->reportValue(5);
    EXPECT_EQ(output.snapshot().depth, 7);
    EXPECT_EQ(output.snapshot().sanLine, "1.d4");
    EXPECT_EQ(redraws, 2);
    EngineOutput::setReportTarget(nullptr);
    table->reportDepth(1, 1);
    EXPECT_EQ(output.snapshot().depth, 7);
}

} // namespace
} // namespace velmorak
