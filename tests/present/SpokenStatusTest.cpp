#include "present/SpokenStatus.h"

#include <gtest/gtest.h>

using namespace velmorak;

namespace {

TEST(SpokenStatus, TheGameStateNamesTheEndAndTheResultInsteadOfTheSideToMove)
{
    const struct {
        const char* name;
        GameEndCode end;
        bool whiteToMove;
        std::string_view result;
        std::string_view said;
    } rows[] = {
        { "white mated", GameEndCode::Checkmate, true, "0-1", "Checkmate, Black wins, 0-1" },
        { "black mated", GameEndCode::Checkmate, false, "*", "Checkmate, White wins, 1-0" },
        { "stalemate", GameEndCode::Stalemate, false, "*", "Stalemate, draw, 1/2-1/2" },
        { "repetition", GameEndCode::ThreefoldRepetition, true, "*",
            "Draw by threefold repetition, 1/2-1/2" },
        { "resigned", GameEndCode::None, true, "1-0", "White won, 1-0" },
        { "agreed draw", GameEndCode::None, false, "1/2-1/2", "Draw, 1/2-1/2" },
        { "going on", GameEndCode::None, false, "*", "Black to move" },
        { "before the end", GameEndCode::None, true, "", "White to move" },
    };
    for (const auto& row : rows)
        EXPECT_EQ(gameStateText(row.end, row.whiteToMove, row.result), row.said) << row.name;
}

TEST(SpokenStatus, ClocksAreSaidWithTheirColours)
{
    ClockParts clocks;
    clocks.whiteSeconds = 299;
    clocks.blackSeconds = 3723;
    EXPECT_EQ(spokenClocks(clocks), "White 4:59, Black 1:02:03");
}

} // namespace
