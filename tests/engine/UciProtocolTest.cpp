#include "engine/UciProtocol.h"

#include <chrono>
#include <csignal>
#include <sstream>
#include <thread>

#include <gtest/gtest.h>
#include <sys/wait.h>

#include "engine/UciProcess.h"
#include "support/TempFolder.h"

namespace velmorak {
namespace {

// The fields a line gives, in a fixed order ("depth 12 score 34 pv e2e4 e7e5").
std::string fieldsOf(std::string_view line)
{
    std::optional<UciInfo> info = parseUciInfo(line);
    if (!info)
        return "(not info)";
    std::ostringstream text;
    auto field = [&](const char* name, const auto& value) {
        if (value)
            text << name << ' ' << *value << ' ';
    };
    field("depth", info->depth);
    field("seldepth", info->selectiveDepth);
    field("multipv", info->multiPv);
    field("score", info->score);
    field("nodes", info->nodes);
    field("currmove", info->currentMove);
    field("currmovenumber", info->currentMoveNumber);
    text << "pv";
    for (const std::string& move : info->pv)
        text << ' ' << move;
    return text.str();
}

TEST(UciInfo, ReadsTheFieldsTheReportsNeedWithScoresInThePluginConvention)
{
    const struct {
        const char* line;
        const char* fields;
    } rows[] = {
        { "info depth 12 seldepth 18 multipv 1 score cp 34 nodes 123456 nps 999 hashfull 3 "
          "tbhits 0 time 55 pv e2e4 e7e5 g1f3",
            "depth 12 seldepth 18 multipv 1 score 34 nodes 123456 pv e2e4 e7e5 g1f3" },
        { "info depth 20 currmove e7e8q currmovenumber 7",
            "depth 20 currmove e7e8q currmovenumber 7 pv" },
        { "bestmove e2e4", "(not info)" },
        { "information", "(not info)" },
        { "info string pv e2e4 depth 3", "pv" },
        { "info  depth   5\tpv  e2e4   d7d5 extra depth 6", "depth 6 pv e2e4 d7d5" },
        { "info depth 99999999999999999999 nodes -5 pv", "pv" },
        { "info score cp -25 pv e2e4", "score -25 pv e2e4" },
        { "info score cp 31 lowerbound pv e2e4", "score 31 pv e2e4" },
        { "info score mate 1 pv e2e4", "score 29999 pv e2e4" },
        { "info score mate 3 pv e2e4", "score 29995 pv e2e4" },
        { "info score mate -1 pv e2e4", "score -29998 pv e2e4" },
        { "info score mate -4 pv e2e4", "score -29992 pv e2e4" },
        { "info score mate 0", "score -30000 pv" },
        { "info score cp 99999 pv e2e4", "score 28000 pv e2e4" },
        { "info score cp -99999 pv e2e4", "score -28000 pv e2e4" },
        { "info score mate 5000 pv e2e4", "score 28001 pv e2e4" },
        { "info score cp abc pv e2e4", "pv e2e4" },
        { "info score", "pv" },
    };
    for (const auto& row : rows)
        EXPECT_EQ(fieldsOf(row.line), row.fields) << row.line;
}

TEST(UciBestMove, ReadsMoveAndPonder)
{
    struct Row {
        const char* line;
        const char* move;
        const char* ponder;
    } rows[] = {
        { "bestmove e2e4 ponder e7e5", "e2e4", "e7e5" },
        { "bestmove a7a8q", "a7a8q", "" },
        { "bestmove (none)", "", "" },
        { "bestmove 0000", "", "" },
        { "bestmove e2e4 ponder", "e2e4", "" },
    };
    for (const Row& row : rows) {
        std::optional<UciBestMove> best = parseUciBestMove(row.line);
        ASSERT_TRUE(best) << row.line;
        EXPECT_EQ(best->move + "/" + best->ponder, row.move + std::string("/") + row.ponder);
    }
    EXPECT_FALSE(parseUciBestMove("info bestmove e2e4"));
}

TEST(UciGoCommand, DepthLimitJoinsTimedLevels)
{
    UciLevel level;
    level.timeControlSet = true;
    level.movesToGo = 0;
    level.secondsLeft = 60;
    level.increment = 0;
    level.maxDepth = 10;
    EXPECT_EQ(uciGoCommand(level, true, false), "go wtime 60000 depth 10");
    level.secondsLeft = -5;
    EXPECT_EQ(uciGoCommand(level, false, true), "go ponder btime 100 depth 10");
    level = UciLevel {};
    level.secondsLeft = 0;
    EXPECT_EQ(uciGoCommand(level, true, false), "go movetime 100");
}

TEST(IniText, ReadsKeysAndValues)
{
    auto values = parseIniText("# comment\n[VelmoEngine]\nEngine = /usr/games/stockfish \r\n"
                               "; other\nOption.Threads=2\nbroken line\n=empty key\n");
    EXPECT_EQ(values,
        (std::vector<std::pair<std::string, std::string>> { { "Engine", "/usr/games/stockfish" },
            { "Option.Threads", "2" }, { "", "empty key" } }));
}

// Engine output is read in whatever pieces the pipe delivers.
class UciLineBufferChunks : public ::testing::TestWithParam<std::size_t> { };

TEST_P(UciLineBufferChunks, AssemblesLinesFromAnyChunkSize)
{
    const std::string stream = "id name Engine\r\nuciok\n\ninfo depth 1 pv e2e4\nbestmove e2e4"
                               "\nreadyok\npartial";
    UciLineBuffer buffer;
    std::vector<std::string> lines;
    for (std::size_t i = 0; i < stream.size(); i += GetParam()) {
        buffer.feed(std::string_view(stream).substr(i, GetParam()));
        while (std::optional<std::string> line = buffer.takeLine())
            lines.push_back(*line);
    }
    EXPECT_EQ(lines,
        (std::vector<std::string> {
            "id name Engine", "uciok", "", "info depth 1 pv e2e4", "bestmove e2e4", "readyok" }));
}

INSTANTIATE_TEST_SUITE_P(ChunkSizes, UciLineBufferChunks, ::testing::Values(1, 2, 3, 7, 64));

TEST(UciLineBuffer, CutsOverlongLines)
{
    UciLineBuffer buffer;
    buffer.feed(std::string(UciLineBuffer::kMaxLineLength + 100, 'x'));
    buffer.feed("\nnext\n");
    std::optional<std::string> line = buffer.takeLine();
    ASSERT_TRUE(line);
    EXPECT_EQ(line->size(), UciLineBuffer::kMaxLineLength);
    EXPECT_EQ(buffer.takeLine(), "next");
    EXPECT_FALSE(buffer.takeLine());
}

TEST(UciProcess, EndsTheWholeProcessGroupOfAWrapperScript)
{
    // A script that does not exec its engine: the engine lives on as the script's child.
    UciProcess process { systemClock() };
    ASSERT_TRUE(process.start({ "/bin/sh", "-c", "sleep 300 & echo $!; wait" }));
    std::string line;
    ASSERT_EQ(process.readLine(line, 5000), UciProcess::ReadStatus::Line);
    pid_t engine = std::stoi(line);
    process.terminate(100);
    // Gone, or a zombie waiting for whoever adopted it.
    auto isAlive = [engine] {
        std::string stat = TempFolder::read("/proc/" + std::to_string(engine) + "/stat");
        std::size_t paren = stat.rfind(')');
        return paren != std::string::npos && paren + 2 < stat.size() && stat[paren + 2] != 'Z';
    };
    auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
    while (isAlive() && std::chrono::steady_clock::now() < deadline)
        std::this_thread::yield();
    EXPECT_FALSE(isAlive()) << "the wrapped engine still runs";
}

TEST(UciProcess, TalksToAChildAndReapsItAndReportsAProgramThatCannotStart)
{
    // The texts for each cause of a failed start are the bridge's tests.
    UciProcess process { systemClock() };
    Status started = process.start({ "/nonexistent/engine" });
    ASSERT_FALSE(started);
    EXPECT_EQ(started.error().kind, ErrorKind::NotFound);
    EXPECT_FALSE(process.isRunning());
    EXPECT_FALSE(process.writeLine("uci"));
    std::string line;
    EXPECT_EQ(process.readLine(line, 10), UciProcess::ReadStatus::Closed);
    ASSERT_TRUE(process.start({ "/bin/cat" }));
    EXPECT_TRUE(process.isRunning());
    EXPECT_TRUE(process.writeLine("hello"));
    ASSERT_EQ(process.readLine(line, 5000), UciProcess::ReadStatus::Line);
    EXPECT_EQ(line, "hello");
    EXPECT_EQ(process.readLine(line, 20), UciProcess::ReadStatus::Timeout);
    process.terminate(1000);
    EXPECT_FALSE(process.isRunning());
    ASSERT_TRUE(process.exitStatus());
    EXPECT_TRUE(WIFEXITED(*process.exitStatus()));
    EXPECT_FALSE(process.writeLine("after the end"));
}

TEST(UciProcess, KillsAChildThatIgnoresTheEndOfItsInput)
{
    UciProcess process { systemClock() };
    ASSERT_TRUE(process.start({ "/bin/sh", "-c", "trap '' TERM; exec sleep 30" }));
    auto started = std::chrono::steady_clock::now();
    process.terminate(100);
    EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::seconds(5));
    ASSERT_TRUE(process.exitStatus());
    EXPECT_TRUE(WIFSIGNALED(*process.exitStatus()));
}

} // namespace
} // namespace velmorak
