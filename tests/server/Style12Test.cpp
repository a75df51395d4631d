#include "server/Style12.h"

#include <gtest/gtest.h>

#include "rules/PieceCode.h"

namespace velmorak {
namespace {

const std::string kOpening = "<12> rnbqkbnr pppp-ppp -------- ----p--- ------P- -----P-- "
                             "PPPPP--P RNBQKBNR B 6 1 1 1 1 0 107 gbtami ggbtami -1 5 0 39 39 "
                             "297338 300000 2 P/g2-g4 (0:02.662) g4 0 1 296";

TEST(Style12Test, ReadsARealLine)
{
    auto line = parseStyle12(kOpening);
    ASSERT_TRUE(line.ok()) << line.error().message;
    EXPECT_EQ(line->sideToMove, kBlackSide);
    EXPECT_EQ(line->gameNumber, 107);
    EXPECT_EQ(line->whiteName, "gbtami");
    EXPECT_EQ(line->relation, Style12Relation::OpponentToMove);
    EXPECT_TRUE(isPlayingRelation(line->relation));
    EXPECT_EQ(line->whiteRemaining, 297338);
    EXPECT_EQ(line->moveTime, "(0:02.662)");
    EXPECT_EQ(line->san, "g4");
    EXPECT_EQ(lastHalfMoveIndex(*line), 2);
    EXPECT_EQ(lastMoveCoordinates(*line), "g2g4");
    EXPECT_EQ(style12Fen(*line), "rnbqkbnr/pppp1ppp/8/4p3/6P1/5P2/PPPPP2P/RNBQKBNR b KQkq g3 0 2");
}

TEST(Style12Test, DropsDamagedLines)
{
    const std::string head = "<12> rnbqkbnr pppppppp -------- -------- -------- -------- "
                             "PPPPPPPP RNBQKBNR W -1 1 1 1 1 0 ";
    const std::string tail = " (0:00) none";
    struct Row {
        const char* name;
        std::string line;
        bool ok;
    };
    const Row rows[] = {
        { "well formed", head + "55 a b 0 4 0 39 39 240 240 1 none" + tail, true },
        { "extra fields are ignored",
            head + "55 a b 0 4 0 39 39 240 240 1 none" + tail + " 0 0 0 1 2 3 4 x y", true },
        { "a flag down shows a negative clock", head + "55 a b 0 4 0 39 39 -3 240 9 none" + tail,
            true },
        { "28 fields", head + "55 a b 0 4 0 39 39 240 240 1 none (0:00)", false },
        { "no fields", "<12> ", false },
        { "game number not a number", head + "5x a b 0 4 0 39 39 240 240 1 none" + tail, false },
        { "relation out of range", head + "55 a b 3 4 0 39 39 240 240 1 none" + tail, false },
        { "clock past 64 bits", head + "55 a b 0 4 0 39 39 99999999999999999999 240 1 none" + tail,
            false },
        { "move number 0", head + "55 a b 0 4 0 39 39 240 240 0 none" + tail, false },
        { "signed with a plus", head + "+55 a b 0 4 0 39 39 240 240 1 none" + tail, false },
        { "short rank",
            "<12> rnbqkbn pppppppp -------- -------- -------- -------- PPPPPPPP "
            "RNBQKBNR W -1 1 1 1 1 0 55 a b 0 4 0 39 39 240 240 1 none" +
                tail,
            false },
        { "bad side",
            "<12> rnbqkbnr pppppppp -------- -------- -------- -------- PPPPPPPP "
            "RNBQKBNR X -1 1 1 1 1 0 55 a b 0 4 0 39 39 240 240 1 none" +
                tail,
            false },
    };
    for (const Row& row : rows)
        EXPECT_EQ(parseStyle12(row.line).ok(), row.ok) << row.name;
}

TEST(Style12Test, ReadsMovesAndTimes)
{
    Style12 line;
    struct MoveRow {
        std::uint8_t sideToMove;
        const char* longMove;
        const char* coordinates;
    };
    const MoveRow moves[] = {
        { kBlackSide, "o-o", "e1g1" },
        { kWhiteSide, "o-o-o", "e8c8" },
        { kWhiteSide, "P/e2-e1=n", "e2e1n" },
        { kBlackSide, "P/@@-e4", "" },
        { kBlackSide, "none", "" },
        { kBlackSide, "P/e7-e8=X", "" },
    };
    for (const MoveRow& row : moves) {
        line.sideToMove = row.sideToMove;
        line.longMove = row.longMove;
        EXPECT_EQ(lastMoveCoordinates(line), row.coordinates) << row.longMove;
    }

    const ServerDialect fics = makeServerDialects()[kFicsDialect];
    const std::pair<const char*, std::int64_t> times[] = {
        { "(0:03)", 3 },
        { "(12:26.052)", 746 },
        { "(1:02:03)", 3723 },
        { "(1:02:03.500)", 3723 },
        { "7", 7 },
        { "", 0 },
        { "(99999999999999999999:00)", 60000000000 },
    };
    for (const auto& [text, seconds] : times)
        EXPECT_EQ(parseMoveTime(text, fics), seconds) << text;

    // White to move at move 1: nothing played yet; the server's count grows two per move.
    line.sideToMove = kWhiteSide;
    line.moveNumber = 1;
    EXPECT_EQ(lastHalfMoveIndex(line), -1);
    line.moveNumber = 1000000;
    EXPECT_EQ(lastHalfMoveIndex(line), 1999997);
}

} // namespace
} // namespace velmorak
