// The plug-in host with real plug-ins: listing, loading by name, refusals, the optional
// export, copies of the UCI bridge, and the test plug-in driving the engine output
// deterministically through the report table.
#include <cstdlib>
#include <filesystem>

#include <dlfcn.h>
#include <gtest/gtest.h>

#include "../../plugins/testengine/TestEngine.h"
#include "app/EngineDriver.h"
#include "engine/EnginePluginHost.h"
#include "engine/UciBridge.h"
#include "rules/Board.h"
#include "support/LineFile.h"
#include "support/ScopedEnvironment.h"
#include "support/TempFolder.h"

namespace velmorak {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

const fs::path kBin = VELMORAK_BIN_DIR;

class PluginHostTest : public ::testing::Test {
protected:
    void copyPlugin(const fs::path& from, const std::string& name)
    {
        fs::copy_file(from, m_folder.file(name), fs::copy_options::overwrite_existing);
    }
    EnginePluginHost::MessageSink sink()
    {
        return [this](const std::string& message) { m_messages.push_back(message); };
    }
    // The engine thread with the loaded plug-in started on it.
    std::unique_ptr<EngineDriver> engineThread(EnginePluginHost& host)
    {
        auto driver = std::make_unique<EngineDriver>(systemClock(), [](SearchEnded) {});
        EXPECT_TRUE(driver->startThread(host.functions(), host.callbacks(), host.output(), 1024));
        return driver;
    }
    // One search of the start position on an engine thread of its own, run to its end.
    void searchOnce(EnginePluginHost& host)
    {
        auto driver = engineThread(host);
        searchStart(host, *driver, host.output());
        EXPECT_TRUE(driver->waitUntilIdle(10s));
    }
    // Prepares and starts one search of the start position (after `moves`).
    void searchStart(const EnginePluginHost& host, EngineDriver& driver, EngineOutput& output,
        std::vector<const char*> moves = {}, SearchKind kind = SearchKind::Move)
    {
        output.clear();
        output.setShadowPosition(kStartFen);
        host.functions().setPosition(kStartFen.data());
        for (const char* move : moves) {
            output.enterShadowMove(move);
            host.functions().enterMove(move);
        }
        host.functions().setLevel(1, 5, 0, 99);
        SearchCommand command;
        command.kind = kind;
        driver.start(command);
    }

    TempFolder m_folder;
    std::string m_log = m_folder.file("calls.txt");
    ScopedEnvironment m_logVariable { VELMORAK_TESTENGINE_LOG_VARIABLE, m_log };
    ScopedEnvironment m_scriptVariable { VELMORAK_TESTENGINE_TEXT_VARIABLE, std::nullopt };
    ScopedEnvironment m_engineVariable { UciBridgeConfig::kEngineVariable, std::nullopt };
    std::vector<std::string> m_messages;
};

TEST_F(PluginHostTest, ListsAndLoadsByEngineNameTheFirstFileWinsAndUnloadRunsTheHookFirst)
{
    copyPlugin(kBin / "TestEngine.vme", "B.vme");
    copyPlugin(kBin / "TestEngine.vme", "A.vme");
    TempFolder::write(m_folder.file("notes.txt"), "not a plug-in");
    TempFolder::write(m_folder.file("Broken.vme"), "not a library either");
    EnginePluginHost host(systemClock(), m_folder.path(), sink());
    int hooks = 0;
    host.setBeforeUnload([&] { ++hooks; });
    EXPECT_EQ(host.listPlugins(), (std::vector<std::string> { "TestEngine", "TestEngine" }));
    ASSERT_TRUE(host.load("TestEngine"));
    EXPECT_EQ(fs::path(host.pluginPath()).filename(), "A.vme");
    EXPECT_EQ(host.engineName(), "TestEngine");
    EXPECT_TRUE(m_messages.empty());
    ASSERT_TRUE(host.load("TestEngine"));
    EXPECT_EQ(hooks, 1);
    std::string path = host.pluginPath();
    host.unload();
    EXPECT_EQ(hooks, 2);
    EXPECT_EQ(EngineOutput::reportTarget(), nullptr);
    // The library is really gone, so a rebuilt plug-in is picked up by the next load.
    EXPECT_EQ(::dlopen(path.c_str(), RTLD_NOW | RTLD_NOLOAD), nullptr);
}

TEST_F(PluginHostTest, FallsBackToTheDefaultFileAndReportsItsAbsence)
{
    EnginePluginHost host(systemClock(), m_folder.path(), sink());
    EXPECT_TRUE(host.listPlugins().empty());
    EXPECT_FALSE(host.load("Anything"));
    EXPECT_FALSE(host.isLoaded());
    ASSERT_EQ(m_messages.size(), 1u);
    EXPECT_EQ(
        m_messages[0], "Couldn\xC2\xB4t load '" + m_folder.file("VelmoEngine.vme") + "'. Error #2");

    // An unknown name with the default file present loads the default file.
    copyPlugin(kBin / "TestEngine.vme", "VelmoEngine.vme");
    EXPECT_TRUE(host.load("Anything"));
    EXPECT_EQ(fs::path(host.pluginPath()).filename(), "VelmoEngine.vme");
}

TEST_F(PluginHostTest, TheFifteenExportsAreRequiredAndTheFailureTextIsOptional)
{
    const struct {
        const char* name;
        fs::path file;
        const char* script;
        bool loads;
        const char* error;
    } rows[] = {
        { "fourteen exports: refused silently", MISSING_EXPORT_PLUGIN, "", false, "" },
        { "fifteen, without GetEngineError", FIFTEEN_EXPORTS_PLUGIN, "", true, "" },
        { "with GetEngineError", kBin / "TestEngine.vme", "error the engine is tired", true,
            "the engine is tired" },
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        m_messages.clear();
        copyPlugin(row.file, "VelmoEngine.vme");
        ::setenv(VELMORAK_TESTENGINE_TEXT_VARIABLE, row.script, 1);
        EnginePluginHost host(systemClock(), m_folder.path(), sink());
        ASSERT_EQ(host.load(""), row.loads);
        EXPECT_TRUE(m_messages.empty());
        if (!row.loads) {
            EXPECT_EQ(host.functions().startEngine, nullptr);
            continue;
        }
        searchOnce(host);
        EXPECT_EQ(host.engineError(), row.error);
        EXPECT_EQ(host.functions().getEngineError != nullptr, *row.script != '\0');
        host.unload();
    }
}

TEST_F(PluginHostTest, CopiesAndLinksOfTheBridgeEachReadTheirOwnIniAndALoadStartsTheEngineOnce)
{
    std::string starts = m_folder.file("starts");
    std::string script = m_folder.file("script");
    TempFolder::write(script, "info depth 1 score cp 3 pv e2e4\nbestmove e2e4\n");
    TempFolder::write(m_folder.file("engine.sh"),
        "#!/bin/sh\necho >>'" + starts + "'\nexec '" FAKE_UCI_ENGINE "' '" + m_log + "' '" +
            script + "'\n");
    fs::permissions(m_folder.file("engine.sh"), fs::perms::owner_all);
    copyPlugin(kBin / "VelmoEngine.vme", "Alpha.vme");
    fs::create_symlink(m_folder.file("Alpha.vme"), m_folder.file("Counted.vme"));
    TempFolder::write(m_folder.file("Alpha.ini"), "Engine=/nonexistent/a\nName=Alpha\n");
    TempFolder::write(m_folder.file("Counted.ini"), "Engine=" + m_folder.file("engine.sh") + "\n");
    EnginePluginHost host(systemClock(), m_folder.path(), sink());
    EXPECT_EQ(host.listPlugins(), (std::vector<std::string> { "Alpha", "FakeEngine 1.0" }));
    std::size_t listed = test::readLines(starts).size();
    ASSERT_TRUE(host.load("FakeEngine 1.0"));
    searchOnce(host);
    EXPECT_EQ(host.output().snapshot().rawLine, "e2e4");
    EXPECT_EQ(test::readLines(starts).size(), listed + 1);
    ASSERT_TRUE(host.load("Alpha"));
    EXPECT_EQ(host.engineName(), "Alpha");
    engineThread(host);
    EXPECT_EQ(host.engineError(),
        "the engine program '/nonexistent/a' was not found: install a UCI engine (Debian's "
        "package stockfish) or name one in the plug-in's ini file or in $VELMORAK_UCI_ENGINE");
}

TEST_F(PluginHostTest, SearchesRunUntilStoppedAndPonderSearchesUntilPonderOffOrStop)
{
    ::setenv(VELMORAK_TESTENGINE_TEXT_VARIABLE,
        "line 10 first;waitstop;stopcheck;line 20 e2e4;---;sleep 10000;line 30 d2d4;---;", 1);
    EnginePluginHost host(systemClock(), (kBin).string(), sink());
    ASSERT_TRUE(host.load("TestEngine"));
    EngineOutput& output = host.output();
    auto driver = engineThread(host);
    // Stopped before its second line, the first search keeps the first one; the second
    // search's pause ends early and its line follows.
    int searches = 0;
    for (const char* expected : { "a2a3", "d2d4" }) {
        SCOPED_TRACE(expected);
        searchStart(host, *driver, output);
        ASSERT_TRUE(test::waitForLines(m_log, "StartAnalyse", ++searches));
        EXPECT_TRUE(driver->isBusy());
        EXPECT_TRUE(driver->stop());
        EXPECT_EQ(output.snapshot().rawLine, expected);
    }
    for (bool hit : { true, false }) {
        SCOPED_TRACE(hit ? "ponder hit" : "stopped");
        searchStart(host, *driver, output, { "e2e4" }, SearchKind::Ponder);
        ASSERT_TRUE(test::waitForLines(m_log, "StartAnalyse", ++searches));
        EXPECT_TRUE(driver->isPondering());
        EXPECT_TRUE(hit ? driver->ponderHit() : driver->stop());
        ASSERT_TRUE(driver->waitUntilIdle(10s));
        EXPECT_FALSE(driver->isBusy());
        // Black's first legal move in generation order after 1.e4, numbered as Black's.
        EXPECT_EQ(output.snapshot().sanLine.substr(0, 3), "1..");
    }
}

} // namespace
} // namespace velmorak
