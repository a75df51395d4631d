// The plug-in host with real plug-ins: listing, loading by name, refusals, and the test
// plug-in driving the engine output deterministically through the report table.
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

#include <dlfcn.h>
#include <gtest/gtest.h>

#include "../../plugins/testengine/TestEngine.h"
#include "engine/EnginePluginHost.h"
#include "engine/PluginEngineThread.h"
#include "rules/Board.h"
#include "rules/CoordinateNotation.h"
#include "rules/MoveList.h"

namespace velmorak {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

const fs::path kBin = VELMORAK_BIN_DIR;

class PluginHostTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        m_dir = fs::temp_directory_path() /
            ("velmorak-plugins-" + std::to_string(::getpid()) + "-" +
                ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::create_directories(m_dir);
        m_log = (m_dir / "calls.txt").string();
        ::setenv(VELMORAK_TESTENGINE_LOG_VARIABLE, m_log.c_str(), 1);
        ::unsetenv(VELMORAK_TESTENGINE_TEXT_VARIABLE);
        ::unsetenv(VELMORAK_TESTENGINE_SCRIPT_VARIABLE);
    }
    void TearDown() override
    {
        ::unsetenv(VELMORAK_TESTENGINE_LOG_VARIABLE);
        ::unsetenv(VELMORAK_TESTENGINE_TEXT_VARIABLE);
        fs::remove_all(m_dir);
    }

    void copyPlugin(const fs::path& from, const std::string& name)
    {
        fs::copy_file(from, m_dir / name, fs::copy_options::overwrite_existing);
    }

    std::vector<std::string> calls() const
    {
        std::ifstream file(m_log);
        std::vector<std::string> lines;
        std::string line;
        while (std::getline(file, line))
            lines.push_back(line);
        return lines;
    }

    fs::path m_dir;
    std::string m_log;
    std::vector<std::string> m_messages;
    EnginePluginHost::MessageSink sink()
    {
        return [this](const std::string& message) { m_messages.push_back(message); };
    }
};

TEST_F(PluginHostTest, ListsAndLoadsByEngineNameTheFirstFileWins)
{
    copyPlugin(kBin / "TestEngine.vme", "B.vme");
    copyPlugin(kBin / "TestEngine.vme", "A.vme");
    std::ofstream(m_dir / "notes.txt") << "not a plug-in";
    std::ofstream(m_dir / "Broken.vme") << "not a library either";
    EnginePluginHost host(m_dir.string(), sink());
    EXPECT_EQ(host.listPlugins(), (std::vector<std::string> { "TestEngine", "TestEngine" }));
    ASSERT_TRUE(host.load("TestEngine"));
    EXPECT_EQ(fs::path(host.pluginPath()).filename(), "A.vme");
    EXPECT_EQ(host.engineName(), "TestEngine");
    EXPECT_TRUE(m_messages.empty());
}

TEST_F(PluginHostTest, FallsBackToTheDefaultFileAndReportsItsAbsence)
{
    EnginePluginHost host(m_dir.string(), sink());
    EXPECT_TRUE(host.listPlugins().empty());
    EXPECT_FALSE(host.load("Anything"));
    EXPECT_FALSE(host.isLoaded());
    ASSERT_EQ(m_messages.size(), 1u);
    EXPECT_EQ(m_messages[0],
        "Couldn\xC2\xB4t load '" + (m_dir / "VelmoEngine.vme").string() + "'. Error #2");

    // An unknown name with the default file present loads the default file.
    copyPlugin(kBin / "TestEngine.vme", "VelmoEngine.vme");
    EXPECT_TRUE(host.load("Anything"));
    EXPECT_EQ(fs::path(host.pluginPath()).filename(), "VelmoEngine.vme");
}

TEST_F(PluginHostTest, APluginLackingAnExportIsRefusedSilently)
{
    copyPlugin(MISSING_EXPORT_PLUGIN, "VelmoEngine.vme");
    EnginePluginHost host(m_dir.string(), sink());
    EXPECT_EQ(host.listPlugins(), (std::vector<std::string> { "MissingExport" }));
    EXPECT_FALSE(host.load("MissingExport"));
    EXPECT_FALSE(host.isLoaded());
    EXPECT_TRUE(m_messages.empty());
    EXPECT_EQ(host.functions().startEngine, nullptr);
}

TEST_F(PluginHostTest, UnloadRunsTheHookFirst)
{
    copyPlugin(kBin / "TestEngine.vme", "TestEngine.vme");
    EnginePluginHost host(m_dir.string(), sink());
    int hooks = 0;
    host.setBeforeUnload([&] { ++hooks; });
    ASSERT_TRUE(host.load("TestEngine"));
    ASSERT_TRUE(host.load("TestEngine"));
    EXPECT_EQ(hooks, 1);
    std::string path = host.pluginPath();
    host.unload();
    EXPECT_EQ(hooks, 2);
    EXPECT_EQ(EngineOutput::reportTarget(), nullptr);
    // The library is really gone, so a rebuilt plug-in is picked up by the next load.
    EXPECT_EQ(::dlopen(path.c_str(), RTLD_NOW | RTLD_NOLOAD), nullptr);
}

TEST_F(PluginHostTest, TheTestEngineDrivesTheOutputDeterministically)
{
    ::setenv(VELMORAK_TESTENGINE_TEXT_VARIABLE,
        "nodes 5000;depth 7 11;current g1f3 0 20;current b1c3 1 20;line 150 e2e4 e7e5 g1f3!"
        "\n---\nline -29998 first",
        1);
    EnginePluginHost host((kBin).string(), sink());
    ASSERT_TRUE(host.load("TestEngine"));
    const EnginePluginFunctions& f = host.functions();
    EngineOutput& output = host.output();
    {
        PluginEngineThread thread(f, host.callbacks(), 2048, &output);
        output.clear();
        output.setShadowPosition(kStartFen);
        f.setPosition(kStartFen.data());
        f.setBook("", 0);
        f.setTimeControl(1, 10);
        f.setLevel(1, 10, 0, 99);
        thread.startSearch(VELMORAK_SEARCH_MOVE);
        ASSERT_TRUE(thread.waitUntilIdle(10s));
        SearchInfo info = output.snapshot();
        EXPECT_EQ(info.nodes, 5000u);
        EXPECT_EQ(info.depth, 7);
        EXPECT_EQ(info.secondDepth, 11);
        EXPECT_EQ(info.displayedMoveNumber(), 2);
        EXPECT_EQ(info.sanCurrentMove, "Nc3");
        EXPECT_EQ(info.sanLine, "1.e4 e5 2.Nf3!");
        EXPECT_EQ(scoreText(info.score, info.scoreSide, false), "+1.50");
        Board afterE4("rnbqkbnr/pppppppp/8/8/4P3/8/PPPP1PPP/RNBQKBNR b KQkq e3 0 1");
        EXPECT_EQ(output.expectedReply(afterE4), afterE4.findMove(0x46, 0x44, kEmpty));

        // The second search runs the second block: the first legal move, mated in one.
        output.clear();
        f.setPosition("7k/8/8/8/8/8/8/K7 w - - 0 1");
        output.setShadowPosition("7k/8/8/8/8/8/8/K7 w - - 0 1");
        f.setLevel(1, 5, 0, 99);
        thread.startSearch(VELMORAK_SEARCH_MOVE);
        ASSERT_TRUE(thread.waitUntilIdle(10s));
        info = output.snapshot();
        Board lone("7k/8/8/8/8/8/8/K7 w - - 0 1");
        MoveList legal;
        lone.allLegalMoves(legal);
        EXPECT_EQ(info.rawLine, writeCoordinates(legal[0]));
        EXPECT_EQ(scoreText(info.score, info.scoreSide, false), "-M1");
    }
    std::vector<std::string> expected = { "StartEngine 2048",
        "SetPosition " + std::string(kStartFen), "SetBook  0", "SetTimeControl 1 10",
        "SetLevel 1 10 0 99", "StartAnalyse 0", "SetPosition 7k/8/8/8/8/8/8/K7 w - - 0 1",
        "SetLevel 1 5 0 99", "StartAnalyse 0", "ExitEngine" };
    EXPECT_EQ(calls(), expected);
}

TEST_F(PluginHostTest, TheTestEngineSearchesUntilStopped)
{
    ::setenv(VELMORAK_TESTENGINE_TEXT_VARIABLE,
        "line 10 first;waitstop;stopcheck;line 20 e2e4;---;sleep 10000;line 30 d2d4", 1);
    EnginePluginHost host((kBin).string(), sink());
    ASSERT_TRUE(host.load("TestEngine"));
    const EnginePluginFunctions& f = host.functions();
    EngineOutput& output = host.output();
    PluginEngineThread thread(f, host.callbacks(), 1024, &output);
    for (const char* expected : { "a2a3", "d2d4" }) {
        SCOPED_TRACE(expected);
        output.clear();
        output.setShadowPosition(kStartFen);
        f.setPosition(kStartFen.data());
        f.setLevel(1, 999999, 0, 99);
        thread.startSearch(VELMORAK_SEARCH_MOVE);
        EXPECT_FALSE(thread.waitUntilIdle(50ms));
        auto stopped = std::chrono::steady_clock::now();
        thread.stopAndWait();
        EXPECT_LT(std::chrono::steady_clock::now() - stopped, 5s);
        // Stopped before its second line, the first search keeps the first one; the second
        // search's pause ends early and its line follows.
        EXPECT_EQ(output.snapshot().rawLine, expected);
    }
}

TEST_F(PluginHostTest, APonderSearchRunsUntilPonderOffOrStop)
{
    EnginePluginHost host((kBin).string(), sink());
    ASSERT_TRUE(host.load("TestEngine"));
    const EnginePluginFunctions& f = host.functions();
    EngineOutput& output = host.output();
    PluginEngineThread thread(f, host.callbacks(), 1024, &output);
    for (bool hit : { true, false }) {
        SCOPED_TRACE(hit ? "ponder hit" : "stopped");
        output.clear();
        output.setShadowPosition(kStartFen);
        output.enterShadowMove("e2e4");
        f.setPosition(kStartFen.data());
        f.enterMove("e2e4");
        f.setLevel(1, 5, 0, 99);
        thread.startSearch(VELMORAK_SEARCH_PONDER);
        EXPECT_FALSE(thread.waitUntilIdle(100ms));
        EXPECT_EQ(output.ponderActive.load(), 1);
        if (hit)
            f.setPonderOff();
        else
            f.stopAnalyse();
        ASSERT_TRUE(thread.waitUntilIdle(10s));
        EXPECT_EQ(output.engineBusy.load(), 0);
        // Black's first legal move in generation order after 1.e4, numbered as Black's.
        EXPECT_EQ(output.snapshot().sanLine.substr(0, 3), "1..");
    }
}

} // namespace
} // namespace velmorak
