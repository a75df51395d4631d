#include <gtest/gtest.h>

#include "rules/Board.h"
#include "rules/Perft.h"
#include "support/PerftSuite.h"

using namespace velmorak;

namespace {

constexpr std::uint64_t kSlowNodeLimit = 5'000'000;

TEST(PerftDeep, EverySuitePositionMatchesItsKnownCountsUpToFiveMillionNodes)
{
    for (const PerftCase& c : allPerftCases()) {
        for (const auto& [depth, nodes] : c.counts) {
            if (nodes > kSlowNodeLimit)
                continue;
            Board board(c.fen);
            EXPECT_EQ(perft(board, depth), nodes) << c.name << " " << c.fen << " depth " << depth;
        }
    }
}

} // namespace
