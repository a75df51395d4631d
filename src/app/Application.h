#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "app/ControllerPrompts.h"
#include "app/ControllerView.h"
#include "app/DgtBoardLink.h"
#include "app/DgtPortChoice.h"
#include "app/EventPump.h"
#include "app/GameController.h"
#include "app/IdleInhibitor.h"
#include "app/UiThread.h"
#include "base/Clock.h"
#include "base/Error.h"
#include "engine/EnginePluginHost.h"
#include "record/TagCompletion.h"
#include "settings/AppSettings.h"
#include "settings/RegistrySettings.h"
#include "settings/SettingsStore.h"
#include "sound/MoveSounds.h"

namespace velmorak {

// One periodic timer of the main window.
struct ApplicationTimer {
    Clock::TimerId id;
    // 0: the period is decided where the timer is armed (animation, replay speed).
    int periodMs;
    bool periodic;
    // Who arms it, and when.
    std::string_view armedBy;
    std::string_view purpose;
};

inline constexpr Clock::TimerId kClockTimer = 100;
inline constexpr Clock::TimerId kAnimationTimer = 102;
inline constexpr Clock::TimerId kKeepAliveTimer = 108;
inline constexpr Clock::TimerId kServerInputTimer = 109;

// Every timer of the main window. The application arms those whose row says "application";
// the controller and the board view arm their own.
inline constexpr std::array<ApplicationTimer, 8> kApplicationTimers { {
    { kClockTimer, 250, true, "application, always",
        "redraw the clocks; the status panel too when the engine's current move changed" },
    { kAnimationTimer, 0, true, "board view, per animation step", "piece animation step" },
    { kReplayTimer, 0, true, "controller, during replay ((replay seconds + 1) x 250 ms)",
        "next move of the automatic replay" },
    { kDgtPollTimer, 150, false, "DGT driver, when a port is chosen",
        "DGT board poll, re-armed after each poll" },
    { kTrainingReplyTimer, 100, false, "controller, training", "play the opponent's reply" },
    { kTrainingSolvedTimer, 100, false, "controller, training", "the solved question" },
    { kKeepAliveTimer, 15000, true, "application, when keep-alive is on",
        "keep the computer from suspending" },
    { kServerInputTimer, 200, true, "application, always",
        "server input check while the server client is connected" },
} };

// Everything outside the core that a front end hands the application. All must outlive it.
struct ApplicationServices {
    ControllerPrompts& prompts;
    ControllerView& view;
    UiThread& ui;
    // Runs the interface thread's work while the controller waits for a help search.
    EventPump& pump;
    Clock& clock;
    // The settings key, and a second store on the same key for the autosave thread.
    SettingsStore& store;
    SettingsStore& autosaveStore;
    MoveSounds& sounds;
    TagCompletionSources& tagSources;
    std::string documentsFolder;
    // Where the engine plug-ins are; empty for the folder of the running executable.
    std::string pluginFolder;
    std::function<std::optional<std::int64_t>()> availableMemoryKb;
    // The front end's work for the timers the application arms (kClockTimer,
    // kKeepAliveTimer, kServerInputTimer), run on the interface thread; without it those
    // timers are not armed.
    std::function<void(Clock::TimerId)> onTimer;
    // Keeps the computer awake while keep-alive is on; none: keep-alive only arms its timer.
    IdleInhibitor* idleInhibitor = nullptr;
};

// How one run starts.
struct StartRequest {
    // The command-line arguments after the program's name. The first one, as given (no
    // quotes are taken off), may name an opening book (".kbk": it becomes the program's
    // book) or a PGN file (".pgn": kept for the front end to open).
    std::span<const std::string> arguments {};
    // An engine plug-in to load for this run instead of the stored one; a plug-in of that
    // name must exist.
    std::optional<std::string> engine {};
    // Without an engine start-up fails. A front end that can do without one (two human
    // players on the command line) clears this and goes on with "no engine".
    bool engineRequired = true;
    // Off: no plug-in is loaded at all (a picture of the window needs none).
    bool loadEngine = true;
    bool restoreAutosave = true;
};

// The application object without its window: owns the options, the engine plug-in host and
// the game controller for the whole run, starts them in order and ends them again.
//
// Lifecycle: constructed → start() → running → exit() → ended. A start that fails leaves
// nothing running and writes nothing; the destructor of a running application runs exit(),
// so a window closed or a program ended by a signal still autosaves and writes its settings.
// Everything is called on the interface thread.
class Application {
public:
    explicit Application(ApplicationServices services);
    ~Application();
    Application(const Application&) = delete;
    Application& operator=(const Application&) = delete;

    // The start-up sequence: options read, the command-line file taken, the autosaved game
    // restored, the level read, the engine plug-in loaded and its thread started, the
    // timers armed. A plug-in that cannot be loaded is reported through the prompts (the
    // loader's own message, title "Velmorak") and, when an engine is required, ends
    // start-up with a ProcessFailed error and nothing else started; a requested engine that
    // does not exist ends it with NotFound. A thread that cannot be created is reported by
    // the controller and the program goes on without an engine. Never waits for an engine
    // thread that was not started.
    Status start(const StartRequest& request);

    // The exit sequence: the controller's exit (engine stopped and its thread ended, game
    // autosaved), the timers killed, the level and the options written, the plug-in
    // unloaded. Does nothing unless running. An error when the last autosave failed or the
    // settings were not stored.
    Status exit();

    bool isRunning() const { return m_running; }
    GameController& controller() { return *m_controller; }
    AppSettings& options() { return m_options; }
    RegistrySettings& settings() { return m_settings; }
    EnginePluginHost& host() { return m_host; }
    bool hasEngine() const { return m_host.isLoaded(); }
    // The PGN file named on the command line; empty when none.
    const std::string& pgnToOpen() const { return m_pgnToOpen; }
    // Makes `path` (a ".kbk" file) the program's own book from the next book lookup on, as
    // a book named on the command line does; false when the setting could not be written.
    bool useBookFile(const std::string& path);
    // Makes an option changed while running take effect: another engine is loaded and its
    // thread started (the one before comes back when it cannot be), keep-alive arms or kills
    // its timer and keeps the computer awake or lets it sleep, the sound options reach the move
    // sounds. Options the controller and the views read at each use need nothing here. An error
    // says why the change did not take.
    Status applyOption(const OptionSpec& option);
    // Ends the engine thread and starts it again, so the plug-in reads its settings afresh;
    // a search for the engine's move given up by that starts again.
    void restartEngine();
    // Half of the free physical memory, what the hash sizes offered are measured against;
    // nullopt when unknown.
    std::optional<std::int64_t> halfAvailableMemoryKb() const;
    // Whether the voice files of the announcements are there.
    bool hasVoice() const;
    // Whether start() found an autosaved game.
    bool restoredAutosave() const { return m_restoredAutosave; }
    // The serial port index (0..4) of the chosen DGT board, or nullopt for none. The board
    // itself is opened by the DGT driver, which also arms kDgtPollTimer.
    std::optional<int> dgtPortIndex() const;
    // The path of the chosen DGT port ("DgtPortPaths" or its default), or nullopt for none.
    std::optional<std::string> dgtPortPath();
    bool isTimerArmed(Clock::TimerId id) const;

private:
    void takeCommandLineFile(std::span<const std::string> arguments);
    Status loadEngine(const StartRequest& request);
    void armTimers();
    void armTimer(std::size_t row);
    void killTimers();
    void setKeepingAwake(bool on);
    void applySoundOptions();
    Status reloadEngine(const std::string& before);
    void startEngine(bool searchForMove);

    ControllerPrompts& m_prompts;
    UiThread& m_ui;
    Clock& m_clock;
    SettingsStore& m_store;
    RegistrySettings m_settings;
    AppSettings m_options;
    MoveSounds& m_sounds;
    std::function<std::optional<std::int64_t>()> m_availableMemoryKb;
    std::function<void(Clock::TimerId)> m_onTimer;
    IdleInhibitor* m_idleInhibitor;
    bool m_keepingAwake = false;
    // The loader's messages since the last load; tells a silent refusal from a reported one.
    int m_loaderMessages = 0;
    EnginePluginHost m_host;
    std::unique_ptr<GameController> m_controller;
    std::string m_pgnToOpen;
    bool m_restoredAutosave = false;
    bool m_running = false;
    std::array<bool, kApplicationTimers.size()> m_armed {};
    // Timer tasks posted before exit() check this before touching the application.
    std::shared_ptr<Application*> m_alive;
};

} // namespace velmorak
