// The application object: start-up with what a user's disk may hold (a damaged autosave, no
// engine plug-in, a file named on the command line), and the exit that writes everything.
#include "app/Application.h"

#include <cmath>
#include <filesystem>

#include <dlfcn.h>
#include <gtest/gtest.h>

#include "app/AutosaveRing.h"
#include "engine/BookSettings.h"
#include "support/ControllerHarness.h"
#include "support/TextChecks.h"

namespace velmorak::test {
namespace {

// The harness's ports, handed to an application instead; the test plug-in is the stored one.
struct Startup : ControllerHarness {
    Startup()
        : ControllerHarness(std::nullopt)
    {
        store.values["IDC_CBENGINE"] = RegistryValue::string("TestEngine");
    }
    std::unique_ptr<Application> make(std::string plugins = VELMORAK_BIN_DIR)
    {
        return std::make_unique<Application>(ApplicationServices { prompts, view, ui, pump, clock,
            store, autosaveStore, sounds, *tagSources, folder.path(), plugins, {},
            [this](Clock::TimerId id) { fired.push_back(id); } });
    }
    std::vector<Clock::TimerId> fired;
};

TEST(Application, WithoutAnEnginePluginStartUpEndsWithTheLoadersMessage)
{
    // A library that is no plug-in: the maths library, which lacks every export.
    Dl_info maths {};
    ASSERT_NE(::dladdr(reinterpret_cast<void*>(&::cbrtf), &maths), 0);
    struct Row {
        const char* name;
        std::string pluginFile;
        int error;
    } rows[] = {
        { "no plug-in file", "", ENOENT },
        { "a library without the plug-in's functions", TempFolder::read(maths.dli_fname), ENOEXEC },
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        TempFolder empty;
        std::string path = empty.file(EnginePluginHost::kDefaultPluginFile);
        if (!row.pluginFile.empty())
            TempFolder::write(path, row.pluginFile);
        const std::string shown =
            "Velmorak: Couldn\xC2\xB4t load '" + path + "'. Error #" + std::to_string(row.error);
        Startup s;
        auto app = s.make(empty.path());
        int loadingWrites = s.store.writeCount;
        ASSERT_EQ(app->start({}).error().kind, ErrorKind::ProcessFailed);
        EXPECT_EQ(s.prompts.shown, std::vector<std::string> { shown });
        EXPECT_FALSE(s.clock.isArmed(kClockTimer));
        app.reset();
        EXPECT_EQ(s.store.writeCount, loadingWrites) << "a failed start writes nothing";

        // Two people at one board need no engine: the program goes on without one.
        app = s.make(empty.path());
        ASSERT_TRUE(app->start({ {}, std::nullopt, false }));
        EXPECT_EQ(s.prompts.shown.size(), 2u);
    }
}

TEST(Application, AnEngineThatCannotStartIsReportedAndTheProgramGoesOn)
{
    ScopedEnvironment missing("VELMORAK_UCI_ENGINE", "/nonexistent/uci-engine");
    Startup s;
    s.store.values.erase("IDC_CBENGINE");
    auto app = s.make();
    ASSERT_TRUE(app->start({}));
    EXPECT_EQ(s.prompts.shown,
        std::vector<std::string> {
            "Velmorak: the engine program '/nonexistent/uci-engine' was not found" });
}

// Each start also finds a damaged autosave: a new game starts, without a word.
TEST(Application, AFileOnTheCommandLineIsTakenAsGivenAndADamagedAutosaveIsPassedOver)
{
    struct Row {
        std::string argument;
        std::string book;
        std::string pgn;
    } rows[] = {
        { "/home/a/my book.kbk", "/home/a/my book.kbk", "" },
        { "games/x.pgn", "", "games/x.pgn" },
        { "\"x.kbk\"", "", "" }, // quotes are part of the name
        { ".pgn", "", "" },
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.argument);
        Startup s;
        TempFolder::write(s.folder.file(std::string(kAutosaveFileName)),
            "[Event \"x\"]\n1. e4 Kxe8 {unclosed\n\xff\x00garbage");
        auto app = s.make();
        std::vector<std::string> arguments { row.argument };
        ASSERT_TRUE(app->start({ arguments }));
        EXPECT_EQ(readBookSetting(s.store, kBookFileSetting).value_or("?"), row.book);
        EXPECT_EQ(app->pgnToOpen(), row.pgn);
        EXPECT_FALSE(app->restoredAutosave());
        EXPECT_TRUE(s.prompts.shown.empty());
    }
}

TEST(Application, ExitWritesSettingsLevelAndAutosaveAndEndsTheEngine)
{
    for (bool byDestructor : { false, true }) {
        SCOPED_TRACE(byDestructor ? "ended without exit" : "exit");
        Startup s;
        s.store.values["IDC_CBKEEPALIVE"] = RegistryValue::dword(1);
        auto app = s.make();
        ASSERT_TRUE(app->start({}));
        s.elapse(250);
        EXPECT_EQ(s.fired, (std::vector<Clock::TimerId> { kServerInputTimer, kClockTimer }));
        EXPECT_TRUE(app->isTimerArmed(kKeepAliveTimer));

        LevelRecord level = app->controller().level();
        ASSERT_TRUE(level.setFixed(7, 3));
        app->controller().applyLevel(level);
        if (byDestructor)
            app.reset();
        else
            ASSERT_TRUE(app->exit());

        LevelRecord stored;
        loadLevel(s.settings, stored);
        EXPECT_EQ(stored, level);
        EXPECT_TRUE(contains(TempFolder::read(s.folder.file(std::string(kAutosaveFileName))), "*"));
        EXPECT_EQ(s.engineCalls().back(), "ExitEngine");
        EXPECT_FALSE(s.clock.isArmed(kClockTimer) || s.clock.isArmed(kKeepAliveTimer));
    }

    Startup failing;
    auto app = failing.make();
    ASSERT_TRUE(app->start({}));
    failing.store.failWrites = true;
    app->options().coach = !app->options().coach;
    Status exited = app->exit();
    EXPECT_TRUE(!exited && exited.error().kind == ErrorKind::Io);

    // The ring's name taken by a folder: the last game is lost, and the exit says so.
    Startup unsaved;
    ASSERT_TRUE(
        std::filesystem::create_directory(unsaved.folder.file(std::string(kAutosaveFileName))));
    auto unsavedApp = unsaved.make();
    ASSERT_TRUE(unsavedApp->start({}));
    exited = unsavedApp->exit();
    ASSERT_FALSE(exited);
    EXPECT_TRUE(exited.error().message.starts_with("the game was not saved: "))
        << exited.error().message;
}

} // namespace
} // namespace velmorak::test
