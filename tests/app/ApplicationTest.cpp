// The application object: start-up with what a user's disk may hold (a damaged autosave, no
// engine plug-in, a file named on the command line), and the exit that writes everything.
#include "app/Application.h"

#include <cmath>
#include <filesystem>

#include <dlfcn.h>
#include <gtest/gtest.h>

#include "app/AutosaveRing.h"
#include "app/OptionSheet.h"
#include "engine/BookSettings.h"
#include "support/ControllerHarness.h"
#include "support/MoveText.h"
#include "support/TextChecks.h"

namespace velmorak::test {
namespace {

// Writes down what the application asks of the desktop's idle inhibition.
struct RecordingIdleInhibitor : IdleInhibitor {
    void keepAwake() override { calls.push_back("keep awake"); }
    void allowSleep() override { calls.push_back("allow sleep"); }
    std::vector<std::string> calls;
};

// The harness's ports, handed to an application instead; the test plug-in is the stored one.
struct Startup : ControllerHarness {
    Startup()
        : ControllerHarness(std::nullopt)
    {
        store.values["IDC_CBENGINE"] = RegistryValue::string("TestEngine");
    }
    std::unique_ptr<Application> make(
        std::string plugins = VELMORAK_BIN_DIR, MoveSounds* withSounds = nullptr)
    {
        return std::make_unique<Application>(ApplicationServices { prompts, view, ui, pump, clock,
            store, autosaveStore, withSounds ? *withSounds : sounds, *tagSources, folder.path(),
            plugins, [this] { return availableMemoryKb; },
            [this](Clock::TimerId id) { fired.push_back(id); }, &idle });
    }
    std::vector<Clock::TimerId> fired;
    RecordingIdleInhibitor idle;
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
            "Velmorak: the engine program '/nonexistent/uci-engine' was not found: install a UCI "
            "engine (Debian's package stockfish) or name one in the plug-in's ini file or in "
            "$VELMORAK_UCI_ENGINE" });
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
        // Each tick of 15 s renews it: a desktop that could not be asked at first is asked
        // again.
        s.elapse(30000 - 250);
        EXPECT_EQ(s.idle.calls, std::vector<std::string>(3, "keep awake"));
        s.idle.calls.clear();

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
        EXPECT_EQ(s.idle.calls, std::vector<std::string> { "allow sleep" });
    }

    Startup failing;
    auto app = failing.make();
    ASSERT_TRUE(app->start({}));
    failing.store.failWrites = true;
    app->options().coach = !app->options().coach;
    Status exited = app->exit();
    EXPECT_TRUE(!exited && exited.error().kind == ErrorKind::Io);
    EXPECT_TRUE(failing.idle.calls.empty()) << "keep-alive off: the computer may sleep";

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

// Two engines to choose between: the test plug-in, and the bridge as the default plug-in
// under a name of its own (so none has to start to tell it).
struct TwoEngines {
    TwoEngines()
    {
        std::filesystem::copy_file(
            std::string(VELMORAK_BIN_DIR) + "/TestEngine.vme", plugins.file("TestEngine.vme"));
        std::filesystem::copy_file(
            std::string(VELMORAK_BIN_DIR) + "/VelmoEngine.vme", plugins.file("VelmoEngine.vme"));
        TempFolder::write(
            plugins.file("VelmoEngine.ini"), "Engine=/usr/games/stockfish\nName=Other\n");
    }
    TempFolder plugins;
};

// Every option of every page, changed from the sheet: in the store at once, read back by
// the next start, and all back at their defaults after "Restore defaults".
TEST(OptionSheet, EveryOptionIsStoredAtOnceReadBackAndRestored)
{
    TwoEngines engines;
    Startup s;
    s.store.values["IDC_CBANNOUNCE"] = RegistryValue::dword(2);
    auto app = s.make(engines.plugins.path());
    ASSERT_TRUE(app->start({}));
    OptionSheet sheet(*app);
    // The harness has no voice files: the announcements are off and not offered.
    EXPECT_EQ(sheet.find("IDC_CBANNOUNCE"), nullptr);
    EXPECT_EQ(app->options().announceMode, 0);
    int changes = 0;
    sheet.onChanged = [&changes](const OptionItem&) { ++changes; };
    int shown = 0;
    for (const OptionPage& page : sheet.pages()) {
        for (const OptionItem& item : page.items) {
            SCOPED_TRACE(std::string(item.spec->name));
            ++shown;
            Status changed;
            if (item.control == OptionControl::Check)
                changed = sheet.setChecked(item, !sheet.checked(item));
            else if (item.control == OptionControl::Number)
                changed = sheet.setNumber(
                    item, sheet.number(item) == item.maximum ? item.minimum : item.maximum);
            else
                changed = sheet.choose(item, sheet.choice(item) == 0 ? 1 : 0);
            ASSERT_TRUE(changed) << changed.error().message;
            EXPECT_FALSE(app->options().isDefault(*item.spec));
            AppSettings next;
            RegistrySettings reader(s.store);
            next.load(reader);
            EXPECT_EQ(next.displayValue(*item.spec), app->options().displayValue(*item.spec));
        }
    }
    EXPECT_EQ(shown, 20);
    EXPECT_EQ(changes, shown);
    EXPECT_EQ(app->host().engineName(), "Other");

    ASSERT_TRUE(sheet.restoreDefaults());
    AppSettings next;
    RegistrySettings reader(s.store);
    next.load(reader);
    for (const OptionPage& page : sheet.pages())
        for (const OptionItem& item : page.items)
            EXPECT_TRUE(next.isDefault(*item.spec)) << item.spec->name;

    // A store that takes nothing: the change is in effect, and the user is told.
    s.store.failWrites = true;
    const OptionItem& coach = *sheet.find("IDC_CBCOACH");
    Status failed = sheet.setChecked(coach, true);
    EXPECT_TRUE(!failed && failed.error().kind == ErrorKind::Io);
    EXPECT_TRUE(app->options().coach);
}

TEST(OptionSheet, EachChangeTakesEffectAtOnce)
{
    TwoEngines engines;
    Startup s;
    ScopedEnvironment thinking("VELMORAK_TESTENGINE", "waitstop");
    s.store.values["IDC_CBANNOUNCE"] = RegistryValue::dword(2);
    s.store.values["IDC_CBSOUND"] = RegistryValue::dword(0);
    // The voice files: their presence offers the announcements.
    TempFolder voice;
    TempFolder::write(voice.file("1from.wav"), "");
    RecordingSoundOutput output;
    MoveSounds sounds(output, voice.path());
    auto app = s.make(engines.plugins.path(), &sounds);
    // Stored announcements and sounds are heard from the start.
    EXPECT_EQ(sounds.announceMode(), AnnounceMode::Verbose);
    EXPECT_FALSE(sounds.soundOn());
    ASSERT_TRUE(app->start({}));
    OptionSheet sheet(*app);

    ASSERT_TRUE(sheet.choose(*sheet.find("IDC_CBANNOUNCE"), 3));
    EXPECT_EQ(sounds.announceMode(), AnnounceMode::All);
    ASSERT_TRUE(sheet.setChecked(*sheet.find("IDC_CBSOUND"), true));
    EXPECT_TRUE(sounds.soundOn());

    for (bool on : { true, true, false, false, true }) {
        ASSERT_TRUE(sheet.setChecked(*sheet.find("IDC_CBKEEPALIVE"), on));
        EXPECT_EQ(app->isTimerArmed(kKeepAliveTimer), on);
        EXPECT_EQ(s.clock.isArmed(kKeepAliveTimer), on);
    }
    EXPECT_EQ(
        s.idle.calls, (std::vector<std::string> { "keep awake", "allow sleep", "keep awake" }));

    // The hash size: the engine's next search starts it afresh with the new size.
    const OptionItem& hash = *sheet.find("IDC_CBHASHTABLESIZE");
    ASSERT_EQ(hash.choices[4], "1 mb");
    ASSERT_TRUE(sheet.choose(hash, 4));
    EXPECT_EQ(app->options().hashTableSize, 1024);
    app->controller().startSearch();
    EXPECT_EQ(app->controller().engine().hashSizeInUse(), 1024);
    app->controller().stopEngine(false);

    // Another engine while the one before thinks about its move: the new one makes it.
    const OptionItem& engine = *sheet.find("IDC_CBENGINE");
    ASSERT_EQ(engine.values, (std::vector<std::string> { "TestEngine", "Other" }));
    ASSERT_EQ(sheet.choice(engine), 0);
    GameController& c = app->controller();
    LevelRecord quick = c.level();
    ASSERT_TRUE(quick.setFixed(2, 1));
    c.applyLevel(quick);
    ASSERT_TRUE(c.userMove(moveIn(c.board(), "e2e4"), false));
    ASSERT_TRUE(c.isEngineSearchingForMove());
    ASSERT_TRUE(sheet.choose(engine, 1));
    EXPECT_EQ(app->host().engineName(), "Other");
    s.runUntil([&c] { return c.state().plyNumber == 3; });

    // An engine gone since the list was made: the one before comes back, and stays chosen.
    std::filesystem::remove(engines.plugins.file("TestEngine.vme"));
    Status refused = sheet.choose(engine, 0);
    EXPECT_FALSE(refused);
    EXPECT_EQ(app->host().engineName(), "Other");
    EXPECT_EQ(app->options().engine, "Other");
    EXPECT_EQ(s.store.values["IDC_CBENGINE"], RegistryValue::binary("Other", 5));
    EXPECT_TRUE(app->controller().engine().isRunning());
}

// A UCI engine that can play weaker: its strength settings are on the engine page, stored
// in the plug-in's ini file, and the engine restarts with them.
TEST(OptionSheet, TheEnginesStrengthIsOfferedStoredAndUsed)
{
    TwoEngines engines;
    Startup s;
    s.store.values["IDC_CBENGINE"] = RegistryValue::binary("Other", 5);
    auto app = s.make(engines.plugins.path());
    ASSERT_TRUE(app->start({}));
    auto sheet = std::make_unique<OptionSheet>(*app);
    const OptionItem* skill = sheet->find("Skill Level");
    const OptionItem* limit = sheet->find("UCI_LimitStrength");
    const OptionItem* elo = sheet->find("UCI_Elo");
    ASSERT_TRUE(skill && limit && elo);
    EXPECT_EQ(sheet->number(*skill), skill->maximum);
    EXPECT_FALSE(sheet->setNumber(*skill, skill->maximum + 1));
    ASSERT_TRUE(sheet->setNumber(*skill, 3));
    ASSERT_TRUE(sheet->setChecked(*limit, true));
    const int rating = elo->minimum + 100;
    ASSERT_TRUE(sheet->setNumber(*elo, rating));
    const std::string ini = TempFolder::read(engines.plugins.file("VelmoEngine.ini"));
    EXPECT_TRUE(contains(ini, "Option.Skill Level=3\n")) << ini;
    EXPECT_TRUE(contains(ini, "Option.UCI_LimitStrength=true\n")) << ini;
    EXPECT_TRUE(contains(ini, "Option.UCI_Elo=" + std::to_string(rating) + "\n")) << ini;

    // The restarted engine has them: a new sheet reads them back from it.
    EXPECT_TRUE(app->controller().engine().isRunning());
    sheet = std::make_unique<OptionSheet>(*app);
    EXPECT_EQ(sheet->number(*sheet->find("Skill Level")), 3);
    EXPECT_TRUE(sheet->checked(*sheet->find("UCI_LimitStrength")));
    EXPECT_EQ(sheet->number(*sheet->find("UCI_Elo")), rating);

    // The test plug-in offers none.
    ASSERT_TRUE(sheet->choose(*sheet->find("IDC_CBENGINE"), 0));
    EXPECT_EQ(OptionSheet(*app).find("Skill Level"), nullptr);
}

} // namespace
} // namespace velmorak::test
