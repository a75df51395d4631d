// The application object: start-up with what a user's disk may hold (a damaged autosave, no
// engine plug-in, a file named on the command line), and the exit that writes everything.
#include "app/Application.h"

#include <cmath>

#include <dlfcn.h>
#include <gtest/gtest.h>

#include "../../plugins/testengine/TestEngine.h"
#include "app/AutosaveRing.h"
#include "engine/BookSettings.h"
#include "rules/SanNotation.h"
#include "support/ControllerHarness.h"
#include "support/FixedTagSources.h"
#include "support/LineFile.h"

namespace velmorak::test {
namespace {

// The ports of one run; plug-ins from `pluginFolder`, documents in a folder of its own.
struct Startup {
    explicit Startup(std::string pluginFolder = VELMORAK_BIN_DIR)
        : script(VELMORAK_TESTENGINE_TEXT_VARIABLE, std::string())
        , log(VELMORAK_TESTENGINE_LOG_VARIABLE, folder.file("engine.log"))
        , plugins(std::move(pluginFolder))
    {
        store.values["Bookfilename"] = RegistryValue::string("");
    }
    std::unique_ptr<Application> make()
    {
        return std::make_unique<Application>(ApplicationServices { prompts, view, ui, clock, store,
            autosaveStore, sounds, tagSources, folder.path(), plugins,
            [] { return std::optional<std::int64_t>(8 * 1024 * 1024); },
            [this](Clock::TimerId id) { fired.push_back(id); } });
    }
    Status start(Application& app, std::vector<std::string> arguments = {},
        std::optional<std::string> engine = "TestEngine")
    {
        StartRequest request;
        request.arguments = arguments;
        request.engine = std::move(engine);
        return app.start(request);
    }

    TempFolder folder;
    ScopedEnvironment script;
    ScopedEnvironment log;
    std::string plugins;
    MemorySettingsStore store;
    MemorySettingsStore autosaveStore;
    FakeClock clock;
    ManualUiThread ui;
    ScriptedPrompts prompts;
    RecordingView view;
    RecordingSoundOutput soundOutput;
    MoveSounds sounds { soundOutput, "" };
    FixedTagSources tagSources;
    std::vector<Clock::TimerId> fired;
};

TEST(Application, DamagedAutosaveStartsANewGame)
{
    Startup s;
    TempFolder::write(s.folder.file(std::string(kAutosaveFileName)),
        "[Event \"x\"]\n1. e4 Kxe8 {unclosed\n\xff\x00garbage");
    auto app = s.make();
    ASSERT_TRUE(s.start(*app));
    EXPECT_FALSE(app->restoredAutosave());
    EXPECT_EQ(app->controller().game().root()->childCount(), 0);
    EXPECT_EQ(app->controller().board().fen(), Board().fen());
    EXPECT_TRUE(s.prompts.shown.empty());
}

TEST(Application, WithoutAnEnginePluginStartUpEndsWithTheLoadersMessage)
{
    // A library that is no plug-in: the C library's maths, which lacks every export.
    Dl_info maths {};
    ASSERT_NE(
        ::dladdr(reinterpret_cast<void*>(static_cast<double (*)(double)>(&::cbrt)), &maths), 0);
    struct Row {
        const char* name;
        std::string pluginFile;
        int error;
    } rows[] = {
        { "no plug-in file", "", ENOENT },
        { "a file that is no library", "not a library", ENOEXEC },
        { "a library without the plug-in's functions", TempFolder::read(maths.dli_fname), ENOEXEC },
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        TempFolder empty;
        std::string path = empty.file(EnginePluginHost::kDefaultPluginFile);
        if (!row.pluginFile.empty())
            TempFolder::write(path, row.pluginFile);
        Startup s(empty.path());
        int loadingWrites = 0;
        {
            auto app = s.make();
            loadingWrites = s.store.writeCount;
            Status started = s.start(*app, {}, std::nullopt);
            ASSERT_FALSE(started);
            EXPECT_EQ(started.error().kind, ErrorKind::ProcessFailed);
            EXPECT_EQ(s.prompts.shown,
                std::vector<std::string> { "Velmorak: Couldn\xC2\xB4t load '" + path +
                    "'. Error #" + std::to_string(row.error) });
            EXPECT_FALSE(app->isRunning());
            EXPECT_FALSE(app->controller().engine().isRunning());
            EXPECT_FALSE(s.clock.isArmed(kClockTimer));
            EXPECT_FALSE(s.clock.isArmed(kServerInputTimer));
        }
        EXPECT_EQ(s.store.writeCount, loadingWrites) << "a failed start writes nothing";

        // Two people at one board need no engine: the program goes on without one.
        Startup human(empty.path());
        auto app = human.make();
        StartRequest request;
        request.engineRequired = false;
        ASSERT_TRUE(app->start(request));
        EXPECT_EQ(human.prompts.shown.size(), 1u);
        EXPECT_FALSE(app->hasEngine());
        EXPECT_TRUE(app->isTimerArmed(kClockTimer));
    }
}

TEST(Application, AFileOnTheCommandLineIsTakenAsGiven)
{
    struct Row {
        const char* name;
        std::string argument;
        std::string book;
        std::string pgn;
    } rows[] = {
        { "a book with a space", "/home/a/my book.kbk", "/home/a/my book.kbk", "" },
        { "a PGN file", "games/x.pgn", "", "games/x.pgn" },
        { "quotes are part of the name", "\"x.kbk\"", "", "" },
        { "an extension alone", ".pgn", "", "" },
        { "another file", "x.vme", "", "" },
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        Startup s;
        auto app = s.make();
        ASSERT_TRUE(s.start(*app, { row.argument }));
        EXPECT_EQ(readBookSetting(s.store, kBookFileSetting).value_or("?"), row.book);
        EXPECT_EQ(app->pgnToOpen(), row.pgn);
    }
}

TEST(Application, ExitWritesSettingsLevelAndAutosaveAndEndsTheEngine)
{
    for (bool byDestructor : { false, true }) {
        SCOPED_TRACE(byDestructor ? "ended without exit" : "exit");
        Startup s;
        s.store.values["IDC_CBKEEPALIVE"] = RegistryValue::dword(1);
        auto app = s.make();
        ASSERT_TRUE(s.start(*app));
        EXPECT_TRUE(app->isTimerArmed(kClockTimer));
        EXPECT_TRUE(app->isTimerArmed(kKeepAliveTimer));
        EXPECT_TRUE(app->isTimerArmed(kServerInputTimer));
        EXPECT_FALSE(app->isTimerArmed(kDgtPollTimer));
        s.clock.advance(250);
        s.ui.runPending();
        EXPECT_EQ(s.fired, (std::vector<Clock::TimerId> { kServerInputTimer, kClockTimer }));

        app->options().autoAnswer = false;
        app->options().coach = true;
        LevelRecord level = app->controller().level();
        ASSERT_TRUE(level.setFixed(7, 3));
        app->controller().applyLevel(level);
        Board board;
        ASSERT_TRUE(app->controller().userMove(readSan(board, "e4"), true));
        if (byDestructor)
            app.reset();
        else
            ASSERT_TRUE(app->exit());

        EXPECT_EQ(s.store.values["IDC_CBCOACH"], RegistryValue::dword(1));
        RegistrySettings written(s.store);
        LevelRecord stored;
        loadLevel(written, stored);
        EXPECT_EQ(stored, level);
        EXPECT_NE(TempFolder::read(s.folder.file(std::string(kAutosaveFileName))).find("1. e4"),
            std::string::npos);
        EXPECT_EQ(readLines(s.folder.file("engine.log")).back(), "ExitEngine");
        EXPECT_FALSE(s.clock.isArmed(kClockTimer));
        EXPECT_FALSE(s.clock.isArmed(kKeepAliveTimer));
    }
}

TEST(Application, ExitReportsSettingsThatWereNotWritten)
{
    Startup s;
    auto app = s.make();
    ASSERT_TRUE(s.start(*app));
    s.store.failWrites = true;
    Status exited = app->exit();
    ASSERT_FALSE(exited);
    EXPECT_EQ(exited.error().kind, ErrorKind::Io);
    EXPECT_FALSE(app->isRunning());
}

} // namespace
} // namespace velmorak::test
