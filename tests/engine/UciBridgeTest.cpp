// The UCI bridge against the scripted fake engine: exact commands for every level row,
// reports, pondering, stopping, and engines that crash, hang, are missing or are no engines.
#include "engine/UciBridge.h"

#include <chrono>
#include <future>
#include <thread>

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>

#include "engine/OpeningBookBuilder.h"
#include "rules/Board.h"
#include "support/LineFile.h"
#include "support/ReportRecorder.h"
#include "support/TempFolder.h"
#include "support/TextChecks.h"

namespace velmorak {
namespace {

using namespace std::chrono_literals;
using test::contains;
using test::ReportRecorder;
using SteadyTime = std::chrono::steady_clock;

const std::string kStart(kStartFen);

bool isReaped(pid_t pid)
{
    return ::waitpid(pid, nullptr, WNOHANG) < 0 && errno == ECHILD;
}

// Waits, bounded, until the process has ended, without reaping it.
bool hasEnded(pid_t pid)
{
    auto until = SteadyTime::now() + 10s;
    siginfo_t info {};
    while (::waitid(P_PID, id_t(pid), &info, WEXITED | WNOHANG | WNOWAIT) == 0 && info.si_pid == 0)
        if (SteadyTime::now() > until)
            return false;
        else
            std::this_thread::yield();
    return true;
}

class UciBridgeTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        writeScript({ "info depth 1 seldepth 2 nodes 100 score cp 15 pv e2e4 e7e5",
            "bestmove e2e4 ponder e7e5" });
    }
    void TearDown() override { m_bridge.reset(); }

    void writeScript(const std::vector<std::string>& lines)
    {
        std::string text;
        for (const std::string& line : lines)
            text += line + '\n';
        TempFolder::write(m_script, text);
    }
    UciBridgeConfig fakeConfig() const
    {
        UciBridgeConfig config;
        config.command = { FAKE_UCI_ENGINE, m_log, m_script };
        config.startTimeoutMs = 5000;
        return config;
    }
    UciBridge& bridge(UciBridgeConfig config)
    {
        m_bridge = std::make_unique<UciBridge>(config, systemClock());
        m_bridge->startEngine(64 * 1024, m_recorder.table());
        return *m_bridge;
    }
    UciBridge& bridge() { return bridge(fakeConfig()); }
    // Prepares a search of `fen` after `moves` at a level and runs it on this thread.
    void search(
        const std::string& fen, std::vector<const char*> moves = {}, int seconds = 5, int mode = 0)
    {
        prepare(fen, moves, seconds);
        m_bridge->startAnalyse(mode);
    }
    void prepare(const std::string& fen, std::vector<const char*> moves = {}, int seconds = 5)
    {
        m_bridge->setPosition(fen.c_str());
        for (const char* move : moves)
            m_bridge->enterMove(move);
        m_bridge->setLevel(1, seconds, 0, 99);
    }
    std::string lastLogged(const std::string& prefix) const
    {
        return test::lastLineStarting(m_log, prefix);
    }
    bool logHas(const std::string& line) const { return lastLogged(line) == line; }

    TempFolder m_folder;
    std::string m_log = m_folder.file("log.txt");
    std::string m_script = m_folder.file("script.txt");
    ReportRecorder m_recorder;
    std::unique_ptr<UciBridge> m_bridge;
};

TEST_F(UciBridgeTest, EveryLevelRowBecomesItsGoCommand)
{
    const std::string black = "rnbqkbnr/pppppppp/8/8/4P3/8/PPPP1PPP/RNBQKBNR b KQkq e3 0 1";
    const struct {
        const char* name;
        const std::string& fen;
        bool timeControl;
        int periodMoves, periodSeconds;
        int movesToGo, secondsLeft, increment, depth;
        const char* go;
    } rows[] = {
        { "analysis", kStart, false, 0, 0, 1, 999999, 0, 99, "go infinite" },
        { "fixed depth", kStart, false, 0, 0, 1, 999999, 0, 7, "go depth 7" },
        { "seconds per move", kStart, true, 1, 10, 1, 10, 0, 99, "go movetime 10000" },
        { "base plus increment, white", kStart, true, 0, 0, 0, 80, 3, 99,
            "go wtime 80000 winc 3000" },
        { "base plus increment, black", black, true, 0, 0, 0, 80, 3, 99,
            "go btime 80000 binc 3000" },
        { "sudden death without increment", kStart, true, 0, 0, 0, 300, 0, 99, "go wtime 300000" },
        { "tournament period", kStart, true, 40, 7200, 12, 1500, 0, 99,
            "go wtime 1500000 movestogo 12" },
        { "tournament, last move before the control", black, true, 40, 7200, 1, 30, 0, 99,
            "go btime 30000 movestogo 1" },
        { "hint and other levels", kStart, false, 0, 0, 1, 5, 0, 99, "go movetime 5000" },
    };
    UciBridge& engine = bridge();
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        engine.setPosition(row.fen.c_str());
        engine.setBook("", 0);
        if (row.timeControl)
            engine.setTimeControl(row.periodMoves, row.periodSeconds);
        engine.setLevel(row.movesToGo, row.secondsLeft, row.increment, row.depth);
        engine.startAnalyse(0);
        EXPECT_EQ(lastLogged("go"), row.go);
    }
}

TEST_F(UciBridgeTest, TheEngineStartedForItsNameGetsTheGameAsValidatedMovesWithTheHashCapped)
{
    // A flood of standard error at the start and in the search must not freeze the engine.
    writeScript(
        { "@stderrstart 512", "@stderr 512", "info depth 1 score cp 5 pv d7d6", "bestmove d7d6" });
    m_bridge = std::make_unique<UciBridge>(fakeConfig(), systemClock());
    EXPECT_STREQ(m_bridge->engineName(), "FakeEngine 1.0");
    pid_t named = m_bridge->enginePid();
    EXPECT_GT(named, 0);
    m_bridge->startEngine(64 * 1024, m_recorder.table());
    m_bridge->startEngine(4 * 1024 * 1024, m_recorder.table());
    m_bridge->clearHashtables();
    search(kStart, { "e2e4", "e7e5", "g1f3", "b8c6", "f1c4", "g8f6", "e1g1" });
    EXPECT_EQ(m_bridge->enginePid(), named);
    EXPECT_EQ(test::countLinesStarting(m_log, "uci"), 1);
    EXPECT_EQ(lastLogged("position"),
        "position fen " + kStart + " moves e2e4 e7e5 g1f3 b8c6 f1c4 g8f6 e1g1");
    EXPECT_TRUE(logHas("setoption name Hash value 64"));
    // The fake engine's maximum is 1024 MB.
    EXPECT_TRUE(logHas("setoption name Hash value 1024"));
    EXPECT_TRUE(logHas("ucinewgame"));
    EXPECT_EQ(m_recorder.lastLine(), "d7d6");
    m_bridge->exitEngine();
    EXPECT_TRUE(logHas("quit"));
    EXPECT_TRUE(isReaped(named));
}

TEST_F(UciBridgeTest, RefusesIllegalMovesAndPositionsWithoutAskingTheEngine)
{
    const struct {
        const char* name;
        const char* fen;
        std::vector<const char*> moves;
        const char* error;
    } rows[] = {
        { "illegal move", kStartFen.data(), { "e2e4", "e2e4" },
            "position refused: the move 'e2e4' is not legal" },
        { "garbage move", kStartFen.data(), { "zz99" }, "position refused: the move 'zz99'" },
        { "side not to move in check", "4k3/8/8/8/8/8/4R3/4K3 w - - 0 1", {}, "position refused" },
        { "no kings", "8/8/8/8/8/8/8/8 w - - 0 1", {}, "position refused" },
        // Fool's mate: a legal position with nothing to search.
        { "game over", "rnb1kbnr/pppp1ppp/8/4p3/6Pq/5P2/PPPPP2P/RNBQKBNR w KQkq - 1 3", {}, "" },
    };
    UciBridge& engine = bridge();
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        m_recorder.clear();
        std::size_t before = test::readLines(m_log).size();
        search(row.fen, row.moves);
        EXPECT_EQ(engine.isPositionValid(), !*row.error);
        EXPECT_EQ(engine.lastError().rfind(row.error, 0), 0u) << engine.lastError();
        EXPECT_EQ(test::readLines(m_log).size(), before);
        EXPECT_EQ(m_recorder.text(), "");
    }
}

TEST_F(UciBridgeTest, TurnsInfoLinesIntoReportsOnTheSearchingThreadEndingWithTheBestMove)
{
    // Without a "currmove" from the engine the best move stands in, with the move count.
    const struct {
        const char* name;
        std::vector<std::string> script;
        const char* reports;
    } rows[] = {
        // The second principal variation is not the engine's line; an illegal move cuts a
        // line; the best move's ponder move completes the last line.
        { "every field, a second line and a cut one",
            { "info depth 3 seldepth 5 nodes 4294967301 currmove g1f3 currmovenumber 2",
                "info depth 4 seldepth 6 multipv 1 score mate 2 nodes 5000 pv d2d4 d7d5 c2c4",
                "info depth 4 multipv 2 score cp 10 pv e2e4",
                "info depth 5 score cp 20 pv d2d4 zz11", "bestmove d2d4 ponder d7d5" },
            "nodes 4294967301 0\ndepth 3 5\ncurrent g1f3 2 20\nnodes 5000 0\ndepth 4 6\n"
            "line d2d4 d7d5 c2c4 29997 0\ndepth 5 5\nline d2d4 20 0\nline d2d4 d7d5 20 0\n" },
        { "best move differs from the line",
            { "info depth 2 score cp 30 pv d2d4 d7d5", "bestmove e2e4 ponder e7e5" },
            "depth 2 2\nline d2d4 d7d5 30 0\ncurrent e2e4 1 20\nline e2e4 e7e5 30 0\n" },
        { "ponder move differs",
            { "info depth 2 score cp 30 pv e2e4 c7c5", "bestmove e2e4 ponder e7e5" },
            "depth 2 2\nline e2e4 c7c5 30 0\ncurrent e2e4 1 20\nline e2e4 e7e5 30 0\n" },
        { "line agrees",
            { "info depth 2 score cp 30 pv e2e4 e7e5 g1f3", "bestmove e2e4 ponder e7e5" },
            "depth 2 2\nline e2e4 e7e5 g1f3 30 0\ncurrent e2e4 1 20\n" },
        { "no line at all", { "bestmove g1f3" }, "current g1f3 1 20\nline g1f3 0 0\n" },
        { "no move", { "info depth 0 score mate 0", "bestmove (none)" }, "depth 0 0\nline 0 0\n" },
    };
    bridge();
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        writeScript(row.script);
        m_recorder.clear();
        std::thread::id searcher;
        std::thread([&] {
            searcher = std::this_thread::get_id();
            search(kStart);
        }).join();
        EXPECT_EQ(m_recorder.text(), row.reports);
        for (const test::RecordedReport& report : m_recorder.reports())
            EXPECT_EQ(report.thread, searcher);
    }
}

TEST_F(UciBridgeTest, PonderSearchesEndByPonderhitOrStop)
{
    // A hit plays the pondered search's move; a stop drops it (it answers for a position
    // nobody plays), and the next search gets its own answer, not the dropped one.
    for (bool hit : { true, false }) {
        SCOPED_TRACE(hit ? "ponder hit" : "stopped");
        writeScript({ "info depth 3 score cp 12 pv g1f3 b8c6", "bestmove d2d4 ponder d7d5" });
        m_recorder.clear();
        bridge();
        std::thread searcher([&] { search(kStart, { "e2e4", "e7e5" }, 5, 1); });
        EXPECT_TRUE(test::waitForLines(m_log, "go", hit ? 1 : 2));
        EXPECT_EQ(lastLogged("go"), "go ponder movetime 5000");
        hit ? m_bridge->setPonderOff() : m_bridge->stopAnalyse();
        searcher.join();
        EXPECT_EQ(test::countLinesStarting(m_log, "ponderhit"), 1);
        EXPECT_EQ(m_recorder.lastLine(), hit ? "d2d4 d7d5" : "g1f3 b8c6");
    }
    writeScript({ "info depth 1 score cp 1 pv b1c3", "bestmove b1c3" });
    search(kStart);
    EXPECT_EQ(m_recorder.lastLine(), "b1c3");
}

TEST_F(UciBridgeTest, APonderHitBeforeTheSearchWentOutIsKept)
{
    // The engine is lost, so the ponder search must start it again first; the user plays
    // the predicted move meanwhile.
    writeScript({ "@exit" });
    bridge();
    search(kStart);
    std::string gate = m_folder.file("gate");
    writeScript({ "@startgate " + gate, "info depth 2 score cp 7 pv g1f3 b8c6", "bestmove g1f3" });
    auto searched = std::async(std::launch::async, [&] {
        search(kStart, { "e2e4", "e7e5" }, 5, 1);
    });
    ASSERT_TRUE(test::waitForLines(m_log, "uci", 2));
    m_bridge->setPonderOff();
    TempFolder::write(gate, "");
    bool ended = searched.wait_for(10s) == std::future_status::ready;
    if (!ended)
        m_bridge->stopAnalyse();
    EXPECT_TRUE(ended) << "the ponder hit was lost: the search never ended";
    EXPECT_EQ(m_recorder.lastLine(), "g1f3 b8c6");
}

TEST_F(UciBridgeTest, AnEngineLostBetweenOrDuringSearchesIsStartedAgainByTheNextOne)
{
    const struct {
        const char* name;
        bool killBetween;
        const char* error;
    } rows[] = {
        { "killed while idle", true, "" },
        { "crashed in a search", false, "it ended with exit status 3" },
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        writeScript(
            { "info depth 1 score cp 5 pv e2e4", row.killBetween ? "bestmove e2e4" : "@exit" });
        UciBridge& engine = bridge();
        pid_t first = engine.enginePid();
        ASSERT_GT(first, 0);
        search(kStart);
        EXPECT_TRUE(contains(engine.lastError(), row.error));
        if (row.killBetween) {
            ::kill(first, SIGKILL);
            ASSERT_TRUE(hasEnded(first));
        }
        writeScript({ "info depth 1 score cp 5 pv d2d4", "bestmove d2d4" });
        m_recorder.clear();
        search(kStart);
        EXPECT_TRUE(isReaped(first));
        EXPECT_NE(engine.enginePid(), first);
        EXPECT_EQ(m_recorder.lastLine(), "d2d4");
        EXPECT_EQ(engine.lastError(), "");
    }
}

TEST_F(UciBridgeTest, StopEndsASearchInTimeAnEngineThatIgnoresItIsKilledADeadOneIsHarmless)
{
    // "stop" to a dead engine goes to a closed pipe: EPIPE, never SIGPIPE.
    const struct {
        const char* name;
        std::vector<std::string> steps;
        bool kill;
        bool lost;
    } rows[] = {
        { "answering engine", { "@waitstop", "bestmove e2e4" }, false, false },
        { "hung engine", { "@ignorestop" }, false, true },
        { "dead engine", { "@waitstop" }, true, true },
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        std::vector<std::string> script = { "info depth 1 score cp 5 pv e2e4" };
        script.insert(script.end(), row.steps.begin(), row.steps.end());
        writeScript(script);
        UciBridgeConfig config = fakeConfig();
        config.stopGraceMs = 300;
        UciBridge& engine = bridge(config);
        pid_t pid = engine.enginePid();
        m_recorder.clear();
        std::thread searcher([&] { search(kStart, {}, 999999); });
        ASSERT_TRUE(m_recorder.waitForLine(20s));
        if (row.kill) {
            ::kill(pid, SIGKILL);
            ASSERT_TRUE(hasEnded(pid));
        }
        auto stopped = SteadyTime::now();
        engine.stopAnalyse();
        searcher.join();
        EXPECT_LT(SteadyTime::now() - stopped, row.lost ? 5s : 2s);
        EXPECT_EQ(isReaped(pid), row.lost);
        EXPECT_EQ(engine.lastError().empty(), !row.lost) << engine.lastError();
        EXPECT_EQ(m_recorder.lastLine(), "e2e4");
    }
    EXPECT_EQ(test::countLinesStarting(m_log, "stop"), 1);
}

TEST_F(UciBridgeTest, AnEngineThatFallsSilentInASearchIsEndedWithinItsLevelAndSaysSo)
{
    const struct {
        const char* name;
        int seconds;
        int silenceMs;
        const char* says;
        std::chrono::seconds within;
    } rows[] = {
        { "unlimited level, no processor time used", 999999, 300, "went silent", 5s },
        // The default allowance past the level: the search ends, its engine killed, soon
        // after the level's second.
        { "one second", 1, 60000, "did not stop within", 6s },
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        writeScript({ "info depth 1 score cp 5 pv e2e4", "@ignorestop" });
        UciBridgeConfig config = fakeConfig();
        config.stopGraceMs = 300;
        config.searchSilenceMs = row.silenceMs;
        UciBridge& engine = bridge(config);
        pid_t pid = engine.enginePid();
        auto started = SteadyTime::now();
        auto searched = std::async(std::launch::async, [&] { search(kStart, {}, row.seconds); });
        if (searched.wait_for(10s) != std::future_status::ready) {
            ADD_FAILURE() << "the search waited on";
            ::kill(pid, SIGKILL);
        }
        searched.get();
        EXPECT_LT(SteadyTime::now() - started, row.within);
        EXPECT_TRUE(isReaped(pid));
        EXPECT_TRUE(contains(engine.lastError(), row.says));
    }
}

TEST_F(UciBridgeTest, AFailedStartGivesItsReasonQuicklyAndIsNotTriedAgain)
{
    TempFolder::write(m_folder.file("plain.txt"), "not a program\n");
    std::string count = m_folder.file("starts");
    auto counted = [&](const std::string& script) {
        return std::vector<std::string> { "/bin/sh", "-c", "echo >>'" + count + "'; " + script };
    };
    const struct {
        const char* name;
        std::vector<std::string> command;
        const char* error;
    } rows[] = {
        { "missing", { m_folder.file("missing") },
            "was not found: install a UCI engine (Debian's package stockfish)" },
        { "not executable", { m_folder.file("plain.txt") }, "is not executable" },
        { "a filter that echoes", counted("exec cat"), "is not a UCI engine: it repeats" },
        { "binary output", counted("printf 'id name x\\001\\n'; exec sleep 30"),
            "is not a UCI engine: it writes binary data" },
        { "silent", counted("exec sleep 30"), "is not a UCI engine: it gave no UCI answer" },
        { "ends at once", counted("echo broken >&2; exit 3"),
            "stopped at start: it ended with exit status 3 (broken)" },
        { "no uciok", counted("exec '" FAKE_UCI_ENGINE "' '" + m_log + "' '" + m_script + "'"),
            "did not answer with \"uciok\"" },
    };
    writeScript({ "@nouciok" });
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        TempFolder::write(count, "");
        UciBridgeConfig config;
        config.command = row.command;
        config.startTimeoutMs = 600;
        config.silentStartTimeoutMs = 300;
        auto started = SteadyTime::now();
        UciBridge& engine = bridge(config);
        search(kStart);
        search(kStart);
        EXPECT_STREQ(engine.engineName(), "VelmoEngine");
        EXPECT_LT(SteadyTime::now() - started, 3s);
        EXPECT_TRUE(contains(engine.lastError(), row.error));
        EXPECT_EQ(m_recorder.text(), "");
        EXPECT_LE(engine.enginePid(), 0);
        EXPECT_LE(test::readLines(count).size(), 1u);
    }
}

TEST_F(UciBridgeTest, ASilentEngineThatIsBusyIsWaitedFor)
{
    // A shell loop stands in for an engine loading its network: silent, but using the
    // processor, for longer than the silence allowed.
    UciBridgeConfig config = fakeConfig();
    config.command = { "/bin/sh", "-c",
        "i=0; while [ $i -lt 200000 ]; do i=$((i+1)); done; exec '" FAKE_UCI_ENGINE "' '" + m_log +
            "' '" + m_script + "'" };
    config.silentStartTimeoutMs = 50;
    bridge(config);
    search(kStart);
    EXPECT_EQ(m_bridge->lastError(), "");
    EXPECT_NE(m_recorder.text(), "");
}

TEST_F(UciBridgeTest, StopEndsASearchWaitingForAnEngineToStart)
{
    bridge();
    // The engine dies; the next search starts one that never finishes its handshake.
    writeScript({ "@nouciok", "@exit" });
    search(kStart);
    std::thread searcher([&] { search(kStart); });
    ASSERT_TRUE(test::waitForLines(m_log, "uci", 2));
    auto stopped = SteadyTime::now();
    m_bridge->stopAnalyse();
    searcher.join();
    EXPECT_LT(SteadyTime::now() - stopped, 2s);
    EXPECT_EQ(m_recorder.text(), "");
}

TEST_F(UciBridgeTest, AnswersFromABookWithoutSearching)
{
    OpeningBookBuilder builder;
    builder.addGame(
        std::vector<std::string> { "e2e4", "c7c5", "g1f3" }, OpeningBookBuilder::Result::WhiteWins);
    std::string book = m_folder.file("book.kbk");
    ASSERT_TRUE(builder.write(book).ok());
    bridge();
    std::size_t before = test::readLines(m_log).size();
    m_bridge->setBook(book.c_str(), 1);
    search(kStart, { "e2e4" });
    EXPECT_EQ(test::readLines(m_log).size(), before);
    EXPECT_EQ(m_recorder.text(), "nodes 0 0\ndepth 1 1\ncurrent c7c5 1 1\nline c7c5 0 0\n");

    // Out of book the engine searches.
    prepare(kStart, { "d2d4" });
    m_bridge->setBook(book.c_str(), 1);
    m_bridge->startAnalyse(0);
    EXPECT_GT(test::readLines(m_log).size(), before);
}

} // namespace
} // namespace velmorak
