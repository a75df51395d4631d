// The bridge against the real engine of Debian's stockfish package.
// Every wait is bounded and generous; exact behaviour, lost and crashing engines included,
// is covered by the fake engine. Searches that end by themselves, and whole games through
// the default plug-in, are the played game's (StockfishGameTest).
#include <chrono>
#include <filesystem>
#include <thread>

#include <gtest/gtest.h>

#include "engine/UciBridge.h"
#include "rules/Board.h"
#include "rules/CoordinateNotation.h"
#include "support/ReportRecorder.h"

namespace velmorak {
namespace {

using namespace std::chrono_literals;
using SteadyTime = std::chrono::steady_clock;

const char* kMiddlegame = "r1bq1rk1/ppp2ppp/2np1n2/2b1p3/2B1P3/2NP1N2/PPP2PPP/R1BQ1RK1 w - - 0 7";

class UciStockfishTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        if (!std::filesystem::exists(UciBridgeConfig::kDefaultEngine))
            GTEST_SKIP() << "stockfish is not installed";
        UciBridgeConfig config;
        config.options = { { "Threads", "1" } };
        m_bridge = std::make_unique<UciBridge>(config, systemClock());
        m_bridge->startEngine(16 * 1024, m_recorder.table());
    }
    void TearDown() override
    {
        if (m_bridge)
            m_bridge->exitEngine();
    }

    // The first move of the last line, read as a legal move of `fen` after `moves`.
    Move playedMove(const char* fen, std::initializer_list<const char*> moves = {})
    {
        Board board(fen);
        for (const char* move : moves)
            makeCoordinateMove(board, move);
        std::size_t cursor = 0;
        return readCoordinateToken(board, m_recorder.lastLine(), cursor);
    }

    test::ReportRecorder m_recorder;
    std::unique_ptr<UciBridge> m_bridge;
};

TEST_F(UciStockfishTest, StopEndsAnAnalysisWithin200Milliseconds)
{
    m_bridge->setPosition(kMiddlegame);
    m_bridge->setLevel(1, 999999, 0, 99);
    std::thread searcher([this] { m_bridge->startAnalyse(0); });
    EXPECT_TRUE(m_recorder.waitForLine(20s));
    auto stopped = SteadyTime::now();
    m_bridge->stopAnalyse();
    searcher.join();
    auto took = std::chrono::duration_cast<std::chrono::milliseconds>(SteadyTime::now() - stopped);
    RecordProperty("stop_ms", static_cast<int>(took.count()));
    EXPECT_LT(took.count(), 200);
    EXPECT_NE(playedMove(kMiddlegame), NoMove);
    EXPECT_NE(std::string(m_bridge->engineName()).find("Stockfish"), std::string::npos);
}

TEST_F(UciStockfishTest, PonderThenPonderhitPlaysForThePonderedPosition)
{
    m_bridge->setPosition(kStartFen.data());
    m_bridge->enterMove("e2e4");
    m_bridge->enterMove("e7e5");
    m_bridge->setTimeControl(1, 1);
    m_bridge->setLevel(1, 1, 0, 99);
    std::thread searcher([this] { m_bridge->startAnalyse(1); });
    EXPECT_TRUE(m_recorder.waitForLine(20s));
    m_bridge->setPonderOff();
    auto hit = SteadyTime::now();
    searcher.join();
    EXPECT_LT(SteadyTime::now() - hit, 20s);
    EXPECT_NE(playedMove(kStartFen.data(), { "e2e4", "e7e5" }), NoMove);
}

} // namespace
} // namespace velmorak
