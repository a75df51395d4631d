// A whole game through the controller against the default plug-in and Debian's Stockfish,
// both sides played by the engine at a low fixed depth.
#include <gtest/gtest.h>

#include "record/CPgnParser.h"
#include "record/PgnInput.h"
#include "support/ControllerHarness.h"

namespace velmorak::test {
namespace {

TEST(StockfishGame, TheEnginePlaysAWholeGameThroughTheController)
{
    ControllerHarness h(std::string(), "");
    ASSERT_TRUE(h.host->isLoaded());
    h.options.autoAnswer = false;
    h.clock.setTicks(1'000'000);
    LevelRecord level;
    level.setFixed(2, kNoTimeLimit);
    h.c().applyLevel(level);
    constexpr int kMaxPlies = 400;
    GameEndCode end = GameEndCode::None;
    while (end == GameEndCode::None && h.c().state().plyNumber <= kMaxPlies) {
        int before = h.c().state().plyNumber;
        h.c().moveNow();
        h.settle(std::chrono::seconds(60));
        ASSERT_EQ(h.c().state().plyNumber, before + 1) << h.c().board().fen();
        Board position = h.c().board();
        end = position.gameEnd();
    }
    // Stockfish against itself at depth 2 ends the game by the rules, not by our limit.
    ASSERT_NE(end, GameEndCode::None) << "no end after " << kMaxPlies << " plies";
    EXPECT_NE(h.c().game().result(), "*");
    EXPECT_EQ(h.prompts.shown.size(), 1u) << "one end-of-game message";
    // The game as written reads back to the same moves.
    std::string text = h.c().game().toString();
    PgnInput input;
    input.openText(text);
    CPgnParser parser;
    std::int64_t endOffset = 0;
    std::unique_ptr<CPgnGame> read;
    ASSERT_TRUE(parser.readGame(input, 0, endOffset, read));
    read->setFormat(h.c().game().getFormat());
    EXPECT_EQ(read->toString(), text);
}

} // namespace
} // namespace velmorak::test
