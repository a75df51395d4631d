#include "rules/Perft.h"

#include <gtest/gtest.h>

#include "rules/Board.h"
#include "support/PerftSuite.h"

using namespace velmorak;

namespace {

// Each suite position at the deepest known depth whose count stays under this many nodes,
// so that the whole set runs in seconds (deeper counts run under the "slow" label).
constexpr std::uint64_t kFastNodeLimit = 150'000;

TEST(Perft, EverySuitePositionMatchesItsKnownCountAtAShallowDepth)
{
    // 6 standard + 126 classic + 32 tricky en-passant and check positions + 14 others.
    ASSERT_GE(allPerftCases().size(), 170u);
    for (const PerftCase& c : allPerftCases()) {
        const std::pair<int, std::uint64_t>* chosen = nullptr;
        for (const auto& count : c.counts)
            if (count.second <= kFastNodeLimit && (!chosen || count.first > chosen->first))
                chosen = &count;
        if (!chosen)
            chosen = &c.counts.front();
        Board board(c.fen);
        EXPECT_EQ(perft(board, chosen->first), chosen->second)
            << c.name << " " << c.fen << " depth " << chosen->first;
        EXPECT_EQ(board.historyLength(), 0u) << c.name;
    }
}

TEST(Perft, DivideSumsToTheTotalInGenerationOrder)
{
    Board board("r3k2r/p1ppqpb1/bn2pnp1/3PN3/1p2P3/2N2Q1p/PPPBBPPP/R3K2R w KQkq - 0 1");
    auto divided = perftDivide(board, 3);
    ASSERT_EQ(divided.size(), 48u);
    std::uint64_t total = 0;
    for (const auto& entry : divided)
        total += entry.second;
    EXPECT_EQ(total, 97862u);
    MoveList moves;
    board.allLegalMoves(moves);
    for (std::size_t i = 0; i < moves.size(); ++i)
        EXPECT_EQ(divided[i].first, moves[i]);
}

} // namespace
