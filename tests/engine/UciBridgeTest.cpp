// The UCI bridge against the scripted fake engine: exact commands for every level row,
// reports, pondering, stopping, and engines that crash, hang or are missing.
#include "engine/UciBridge.h"

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <thread>

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>

#include "ReportRecorder.h"
#include "engine/OpeningBookBuilder.h"
#include "rules/Board.h"

namespace velmorak {
namespace {

using namespace std::chrono_literals;
using test::ReportRecorder;

const std::string kStart(kStartFen);

class UciBridgeTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        m_dir = std::filesystem::temp_directory_path() /
            ("velmorak-uci-" + std::to_string(::getpid()) + "-" +
                ::testing::UnitTest::GetInstance()->current_test_info()->name());
        std::filesystem::create_directories(m_dir);
        m_log = (m_dir / "log.txt").string();
        m_script = (m_dir / "script.txt").string();
        writeScript({ "info depth 1 seldepth 2 nodes 100 score cp 15 pv e2e4 e7e5",
            "bestmove e2e4 ponder e7e5" });
    }
    void TearDown() override
    {
        m_bridge.reset();
        std::filesystem::remove_all(m_dir);
    }

    void writeScript(const std::vector<std::string>& lines)
    {
        std::ofstream file(m_script, std::ios::trunc);
        for (const std::string& line : lines)
            file << line << '\n';
    }

    UciBridge& bridge(int stopGraceMs = 5000)
    {
        UciBridgeConfig config;
        config.command = { FAKE_UCI_ENGINE, m_log, m_script };
        config.startTimeoutMs = 5000;
        config.stopGraceMs = stopGraceMs;
        m_bridge = std::make_unique<UciBridge>(config);
        m_bridge->startEngine(64 * 1024, m_recorder.table());
        return *m_bridge;
    }

    std::vector<std::string> log() const
    {
        std::ifstream file(m_log);
        std::vector<std::string> lines;
        std::string line;
        while (std::getline(file, line))
            lines.push_back(line);
        return lines;
    }
    std::string lastLogLineStarting(const std::string& prefix) const
    {
        std::string found;
        for (const std::string& line : log())
            if (line.rfind(prefix, 0) == 0)
                found = line;
        return found;
    }
    // Waits until the engine has logged a line starting with `prefix` (a search has really
    // begun, however loaded the machine).
    bool waitForLog(const std::string& prefix) const
    {
        auto until = std::chrono::steady_clock::now() + 20s;
        while (std::chrono::steady_clock::now() < until) {
            if (!lastLogLineStarting(prefix).empty())
                return true;
            std::this_thread::sleep_for(5ms);
        }
        return false;
    }
    bool logHas(const std::string& line) const
    {
        for (const std::string& logged : log())
            if (logged == line)
                return true;
        return false;
    }

    std::filesystem::path m_dir;
    std::string m_log;
    std::string m_script;
    ReportRecorder m_recorder;
    std::unique_ptr<UciBridge> m_bridge;
};

struct LevelRow {
    const char* name;
    const char* fen;
    bool timeControl;
    int periodMoves, periodSeconds;
    int movesToGo, secondsLeft, increment, depth;
    const char* go;
};

TEST_F(UciBridgeTest, EveryLevelRowBecomesItsGoCommand)
{
    const std::string black = "rnbqkbnr/pppppppp/8/8/4P3/8/PPPP1PPP/RNBQKBNR b KQkq e3 0 1";
    const LevelRow rows[] = {
        { "analysis", kStart.c_str(), false, 0, 0, 1, 999999, 0, 99, "go infinite" },
        { "fixed depth", kStart.c_str(), false, 0, 0, 1, 999999, 0, 7, "go depth 7" },
        { "seconds per move", kStart.c_str(), true, 1, 10, 1, 10, 0, 99, "go movetime 10000" },
        { "base plus increment, white", kStart.c_str(), true, 0, 0, 0, 80, 3, 99,
            "go wtime 80000 winc 3000" },
        { "base plus increment, black", black.c_str(), true, 0, 0, 0, 80, 3, 99,
            "go btime 80000 binc 3000" },
        { "sudden death without increment", kStart.c_str(), true, 0, 0, 0, 300, 0, 99,
            "go wtime 300000" },
        { "tournament period", kStart.c_str(), true, 40, 7200, 12, 1500, 0, 99,
            "go wtime 1500000 movestogo 12" },
        { "tournament, last move before the control", black.c_str(), true, 40, 7200, 1, 30, 0, 99,
            "go btime 30000 movestogo 1" },
        { "hint and other levels", kStart.c_str(), false, 0, 0, 1, 5, 0, 99, "go movetime 5000" },
    };
    UciBridge& engine = bridge();
    for (const LevelRow& row : rows) {
        SCOPED_TRACE(row.name);
        engine.setPosition(row.fen);
        engine.setBook("", 0);
        if (row.timeControl)
            engine.setTimeControl(row.periodMoves, row.periodSeconds);
        engine.setLevel(row.movesToGo, row.secondsLeft, row.increment, row.depth);
        engine.startAnalyse(0);
        EXPECT_EQ(lastLogLineStarting("go"), row.go);
    }
}

TEST_F(UciBridgeTest, SendsTheGameAsStartPositionAndValidatedMoves)
{
    UciBridge& engine = bridge();
    engine.clearHashtables();
    engine.setPosition(kStartFen.data());
    for (const char* move : { "e2e4", "e7e5", "g1f3", "b8c6", "f1c4", "g8f6", "e1g1" })
        engine.enterMove(move);
    engine.setLevel(1, 5, 0, 99);
    engine.startAnalyse(0);
    EXPECT_EQ(lastLogLineStarting("position"),
        "position fen " + kStart + " moves e2e4 e7e5 g1f3 b8c6 f1c4 g8f6 e1g1");
    EXPECT_TRUE(logHas("setoption name Hash value 64"));
    EXPECT_TRUE(logHas("ucinewgame"));
}

TEST_F(UciBridgeTest, HashSizeIsLimitedToTheEnginesMaximum)
{
    UciBridgeConfig config;
    config.command = { FAKE_UCI_ENGINE, m_log, m_script };
    UciBridge engine(config);
    engine.startEngine(4 * 1024 * 1024, m_recorder.table());
    EXPECT_TRUE(logHas("setoption name Hash value 1024"));
    engine.exitEngine();
    EXPECT_TRUE(logHas("quit"));
}

TEST_F(UciBridgeTest, RefusesIllegalMovesAndPositionsWithoutAskingTheEngine)
{
    struct Row {
        const char* name;
        const char* fen;
        std::vector<const char*> moves;
    } rows[] = {
        { "illegal move", kStartFen.data(), { "e2e4", "e2e4" } },
        { "garbage move", kStartFen.data(), { "zz99" } },
        { "side not to move in check", "4k3/8/8/8/8/8/4R3/4K3 w - - 0 1", {} },
        { "no kings", "8/8/8/8/8/8/8/8 w - - 0 1", {} },
    };
    UciBridge& engine = bridge();
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        m_recorder.clear();
        std::size_t before = log().size();
        engine.setPosition(row.fen);
        for (const char* move : row.moves)
            engine.enterMove(move);
        engine.setLevel(1, 5, 0, 99);
        engine.startAnalyse(0);
        EXPECT_FALSE(engine.isPositionValid());
        EXPECT_EQ(log().size(), before);
        EXPECT_TRUE(m_recorder.reports().empty());
    }
}

TEST_F(UciBridgeTest, DoesNotSearchWhenTheGameIsOver)
{
    UciBridge& engine = bridge();
    std::size_t before = log().size();
    // Fool's mate: white is checkmated.
    engine.setPosition("rnb1kbnr/pppp1ppp/8/4p3/6Pq/5P2/PPPPP2P/RNBQKBNR w KQkq - 1 3");
    engine.setLevel(1, 5, 0, 99);
    engine.startAnalyse(0);
    EXPECT_EQ(log().size(), before);
    EXPECT_TRUE(m_recorder.lines().empty());
}

TEST_F(UciBridgeTest, TurnsInfoLinesIntoReports)
{
    writeScript({ "info depth 3 seldepth 5 nodes 4294967301 currmove g1f3 currmovenumber 2",
        "info depth 4 seldepth 6 multipv 1 score mate 2 nodes 5000 pv d2d4 d7d5 c2c4",
        "info depth 4 multipv 2 score cp 10 pv e2e4", "info depth 5 score cp 20 pv d2d4 zz11",
        "bestmove d2d4 ponder d7d5" });
    UciBridge& engine = bridge();
    engine.setPosition(kStartFen.data());
    engine.setLevel(1, 5, 0, 99);
    std::thread::id searcher;
    std::thread thread([&] {
        searcher = std::this_thread::get_id();
        engine.startAnalyse(0);
    });
    thread.join();
    std::vector<test::RecordedReport> reports = m_recorder.reports();
    ASSERT_GE(reports.size(), 5u);
    EXPECT_EQ(reports[0].kind, "nodes");
    EXPECT_EQ(reports[0].a, 4294967301LL);
    EXPECT_EQ(reports[1].kind, "depth");
    EXPECT_EQ(reports[1].a, 3);
    EXPECT_EQ(reports[1].b, 5);
    EXPECT_EQ(reports[2].kind, "current");
    EXPECT_EQ(reports[2].text, "g1f3");
    EXPECT_EQ(reports[2].a, 2);
    EXPECT_EQ(reports[2].b, 20);
    std::vector<test::RecordedReport> lines = m_recorder.lines();
    // The second principal variation is not the engine's line; an illegal move cuts a line;
    // the best move's ponder move completes the last line.
    ASSERT_EQ(lines.size(), 3u);
    EXPECT_EQ(lines[0].text, "d2d4 d7d5 c2c4");
    EXPECT_EQ(lines[0].a, 29997);
    EXPECT_EQ(lines[1].text, "d2d4");
    EXPECT_EQ(lines[1].a, 20);
    EXPECT_EQ(lines[2].text, "d2d4 d7d5");
    EXPECT_EQ(lines[2].a, 20);
    for (const test::RecordedReport& report : reports)
        EXPECT_EQ(report.thread, searcher);
}

TEST_F(UciBridgeTest, LastLineStartsWithTheBestMoveAndItsPonderMove)
{
    struct Row {
        const char* name;
        std::vector<std::string> script;
        const char* lastLine;
        int score;
    } rows[] = {
        { "best move differs from the line",
            { "info depth 2 score cp 30 pv d2d4 d7d5", "bestmove e2e4 ponder e7e5" }, "e2e4 e7e5",
            30 },
        { "ponder move differs",
            { "info depth 2 score cp 30 pv e2e4 c7c5", "bestmove e2e4 ponder e7e5" }, "e2e4 e7e5",
            30 },
        { "line agrees",
            { "info depth 2 score cp 30 pv e2e4 e7e5 g1f3", "bestmove e2e4 ponder e7e5" },
            "e2e4 e7e5 g1f3", 30 },
        { "no line at all", { "bestmove g1f3" }, "g1f3", 0 },
        { "no move", { "info depth 0 score mate 0", "bestmove (none)" }, "", 0 },
    };
    UciBridge& engine = bridge();
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        writeScript(row.script);
        m_recorder.clear();
        engine.setPosition(kStartFen.data());
        engine.setLevel(1, 5, 0, 99);
        engine.startAnalyse(0);
        std::vector<test::RecordedReport> lines = m_recorder.lines();
        ASSERT_FALSE(lines.empty());
        EXPECT_EQ(lines.back().text, row.lastLine);
        EXPECT_EQ(lines.back().a, row.score);
        // Without a "currmove" from the engine the best move stands in, with the move count.
        int currentMoves = 0;
        for (const test::RecordedReport& report : m_recorder.reports())
            if (report.kind == "current") {
                ++currentMoves;
                EXPECT_EQ(report.b, 20);
            }
        EXPECT_EQ(currentMoves, *row.lastLine ? 1 : 0);
    }
}

TEST_F(UciBridgeTest, StopEndsAnAnalysisFromAnotherThread)
{
    writeScript({ "info depth 1 score cp 5 pv e2e4", "@waitstop", "bestmove e2e4" });
    UciBridge& engine = bridge();
    engine.setPosition(kStartFen.data());
    engine.setLevel(1, 999999, 0, 99);
    std::thread searcher([&] { engine.startAnalyse(0); });
    std::this_thread::sleep_for(100ms);
    auto stopped = std::chrono::steady_clock::now();
    engine.stopAnalyse();
    searcher.join();
    EXPECT_LT(std::chrono::steady_clock::now() - stopped, 2s);
    EXPECT_TRUE(logHas("stop"));
    ASSERT_FALSE(m_recorder.lines().empty());
    EXPECT_EQ(m_recorder.lines().back().text, "e2e4");
}

TEST_F(UciBridgeTest, PonderhitTurnsThePonderSearchIntoTheRealOne)
{
    writeScript({ "info depth 3 score cp 12 pv g1f3 b8c6", "bestmove g1f3 ponder b8c6" });
    UciBridge& engine = bridge();
    engine.setPosition(kStartFen.data());
    engine.enterMove("e2e4");
    engine.enterMove("e7e5");
    engine.setLevel(1, 5, 0, 99);
    std::thread searcher([&] { engine.startAnalyse(1); });
    EXPECT_TRUE(waitForLog("go"));
    EXPECT_EQ(lastLogLineStarting("go"), "go ponder movetime 5000");
    engine.setPonderOff();
    searcher.join();
    EXPECT_TRUE(logHas("ponderhit"));
    ASSERT_FALSE(m_recorder.lines().empty());
    EXPECT_EQ(m_recorder.lines().back().text, "g1f3 b8c6");
}

TEST_F(UciBridgeTest, AStoppedPonderSearchDropsItsBestMove)
{
    writeScript({ "info depth 3 score cp 12 pv g1f3 b8c6", "bestmove d2d4 ponder d7d5" });
    UciBridge& engine = bridge();
    engine.setPosition(kStartFen.data());
    engine.enterMove("e2e4");
    engine.enterMove("e7e5");
    engine.setLevel(1, 5, 0, 99);
    std::thread searcher([&] { engine.startAnalyse(1); });
    EXPECT_TRUE(waitForLog("go"));
    engine.stopAnalyse();
    searcher.join();
    for (const test::RecordedReport& line : m_recorder.lines())
        EXPECT_NE(line.text.rfind("d2d4", 0), 0u) << line.text;

    // The next search gets its own answer, not the dropped one.
    writeScript({ "info depth 1 score cp 1 pv b1c3", "bestmove b1c3" });
    m_recorder.clear();
    engine.setPosition(kStartFen.data());
    engine.setLevel(1, 5, 0, 99);
    engine.startAnalyse(0);
    ASSERT_FALSE(m_recorder.lines().empty());
    EXPECT_EQ(m_recorder.lines().back().text, "b1c3");
}

bool isReaped(pid_t pid)
{
    return ::waitpid(pid, nullptr, WNOHANG) < 0 && errno == ECHILD;
}

TEST_F(UciBridgeTest, ACrashedEngineIsReapedAndStartedAgain)
{
    writeScript({ "info depth 1 score cp 5 pv e2e4", "@exit" });
    UciBridge& engine = bridge();
    pid_t first = engine.enginePid();
    ASSERT_GT(first, 0);
    engine.setPosition(kStartFen.data());
    engine.setLevel(1, 5, 0, 99);
    engine.startAnalyse(0);
    EXPECT_TRUE(isReaped(first));

    writeScript({ "info depth 1 score cp 5 pv d2d4", "bestmove d2d4" });
    m_recorder.clear();
    engine.setPosition(kStartFen.data());
    engine.setLevel(1, 5, 0, 99);
    engine.startAnalyse(0);
    EXPECT_NE(engine.enginePid(), first);
    ASSERT_FALSE(m_recorder.lines().empty());
    EXPECT_EQ(m_recorder.lines().back().text, "d2d4");
}

TEST_F(UciBridgeTest, AnEngineThatIgnoresStopIsKilled)
{
    writeScript({ "info depth 1 score cp 5 pv e2e4", "@ignorestop" });
    UciBridge& engine = bridge(300);
    pid_t pid = engine.enginePid();
    engine.setPosition(kStartFen.data());
    engine.setLevel(1, 999999, 0, 99);
    std::thread searcher([&] { engine.startAnalyse(0); });
    std::this_thread::sleep_for(100ms);
    auto stopped = std::chrono::steady_clock::now();
    engine.stopAnalyse();
    searcher.join();
    EXPECT_LT(std::chrono::steady_clock::now() - stopped, 5s);
    EXPECT_TRUE(isReaped(pid));
}

TEST_F(UciBridgeTest, WritingToADeadEngineDoesNotKillTheHost)
{
    writeScript({ "@waitstop", "bestmove e2e4" });
    UciBridge& engine = bridge();
    engine.setPosition(kStartFen.data());
    engine.setLevel(1, 999999, 0, 99);
    std::thread searcher([&] { engine.startAnalyse(0); });
    EXPECT_TRUE(waitForLog("go"));
    ::kill(engine.enginePid(), SIGKILL);
    std::this_thread::sleep_for(50ms);
    // "stop" goes to a closed pipe: EPIPE, never SIGPIPE.
    engine.stopAnalyse();
    searcher.join();
    SUCCEED();
}

TEST_F(UciBridgeTest, AMissingEngineGivesAnEmptyResultQuickly)
{
    UciBridgeConfig config;
    config.command = { (m_dir / "no-such-engine").string() };
    UciBridge engine(config);
    auto started = std::chrono::steady_clock::now();
    engine.startEngine(1024, m_recorder.table());
    engine.setPosition(kStartFen.data());
    engine.setLevel(1, 5, 0, 99);
    engine.startAnalyse(0);
    EXPECT_LT(std::chrono::steady_clock::now() - started, 2s);
    EXPECT_TRUE(m_recorder.reports().empty());
    EXPECT_STREQ(engine.engineName(), "VelmoEngine");
    EXPECT_NE(engine.lastError().find("no-such-engine"), std::string::npos);
}

TEST_F(UciBridgeTest, AnEngineWithoutUciokTimesOut)
{
    writeScript({ "@nouciok" });
    UciBridgeConfig config;
    config.command = { FAKE_UCI_ENGINE, m_log, m_script };
    config.startTimeoutMs = 300;
    UciBridge engine(config);
    engine.startEngine(1024, m_recorder.table());
    EXPECT_LE(engine.enginePid(), 0);
    EXPECT_STREQ(engine.engineName(), "VelmoEngine");
}

TEST_F(UciBridgeTest, StopEndsASearchWaitingForAnEngineToStart)
{
    UciBridge& engine = bridge();
    // The engine dies; the next search starts one that never finishes its handshake.
    writeScript({ "@nouciok", "@exit" });
    engine.setPosition(kStartFen.data());
    engine.setLevel(1, 5, 0, 99);
    engine.startAnalyse(0);
    std::thread searcher([&] { engine.startAnalyse(0); });
    std::this_thread::sleep_for(100ms);
    auto stopped = std::chrono::steady_clock::now();
    engine.stopAnalyse();
    searcher.join();
    EXPECT_LT(std::chrono::steady_clock::now() - stopped, 2s);
    EXPECT_TRUE(m_recorder.lines().empty());
}

TEST_F(UciBridgeTest, AFloodOfStandardErrorDoesNotFreezeTheEngine)
{
    writeScript(
        { "@stderrstart 512", "@stderr 512", "info depth 1 score cp 5 pv e2e4", "bestmove e2e4" });
    UciBridge& engine = bridge();
    engine.setPosition(kStartFen.data());
    engine.setLevel(1, 5, 0, 99);
    engine.startAnalyse(0);
    ASSERT_FALSE(m_recorder.lines().empty());
    EXPECT_EQ(m_recorder.lines().back().text, "e2e4");
}

TEST_F(UciBridgeTest, TakesTheNameFromTheEngineAndLeavesNoProcessWhenOnlyAsked)
{
    UciBridgeConfig config;
    config.command = { FAKE_UCI_ENGINE, m_log, m_script };
    UciBridge engine(config);
    EXPECT_STREQ(engine.engineName(), "FakeEngine 1.0");
    EXPECT_LE(engine.enginePid(), 0);
}

TEST_F(UciBridgeTest, AnswersFromABookWithoutSearching)
{
    OpeningBookBuilder builder;
    builder.addGame(
        std::vector<std::string> { "e2e4", "c7c5", "g1f3" }, OpeningBookBuilder::Result::WhiteWins);
    std::string book = (m_dir / "book.kbk").string();
    ASSERT_TRUE(builder.write(book).ok());
    UciBridge& engine = bridge();
    std::size_t before = log().size();
    engine.setPosition(kStartFen.data());
    engine.enterMove("e2e4");
    engine.setBook(book.c_str(), 1);
    engine.setLevel(1, 5, 0, 99);
    engine.startAnalyse(0);
    EXPECT_EQ(log().size(), before);
    std::vector<test::RecordedReport> reports = m_recorder.reports();
    ASSERT_EQ(reports.size(), 4u);
    EXPECT_EQ(reports[2].kind, "current");
    EXPECT_EQ(reports[2].text, "c7c5");
    EXPECT_EQ(reports[3].text, "c7c5");
    EXPECT_EQ(reports[3].a, 0);

    // Out of book the engine searches.
    engine.setPosition(kStartFen.data());
    engine.enterMove("d2d4");
    engine.setBook(book.c_str(), 1);
    engine.setLevel(1, 5, 0, 99);
    engine.startAnalyse(0);
    EXPECT_GT(log().size(), before);
}

} // namespace
} // namespace velmorak
