#pragma once

#include <chrono>
#include <condition_variable>
#include <deque>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "app/ControllerPrompts.h"
#include "app/ControllerView.h"
#include "app/EventPump.h"
#include "app/GameController.h"
#include "app/UiThread.h"
#include "engine/EnginePluginHost.h"
#include "settings/AppSettings.h"
#include "settings/RegistrySettings.h"
#include "sound/MoveSounds.h"
#include "support/FakeClock.h"
#include "support/MemorySettingsStore.h"
#include "support/RecordingSoundOutput.h"
#include "support/ScopedEnvironment.h"
#include "support/TempFolder.h"

namespace velmorak::test {

// The interface thread of a test: tasks wait in a queue until the test runs them.
class ManualUiThread final : public UiThread {
public:
    void post(Task task) override;
    // Runs the tasks queued now (and those they post); returns how many ran.
    int runPending();
    // Waits (up to `limit`) until a task is queued, then runs what is queued.
    bool waitAndRun(std::chrono::milliseconds limit = std::chrono::seconds(10));

private:
    std::mutex m_mutex;
    std::condition_variable m_posted;
    std::deque<Task> m_tasks;
};

// The event pump of a test: runs the queued tasks (waiting a real millisecond for one when
// none is queued) and moves the fake clock on by the slice asked for.
class ManualEventPump final : public EventPump {
public:
    ManualEventPump(ManualUiThread& ui, FakeClock& clock)
        : m_ui(ui)
        , m_clock(clock)
    {
    }
    void runFor(std::chrono::milliseconds limit) override;

private:
    ManualUiThread& m_ui;
    FakeClock& m_clock;
};

// Answers questions from a script (default: the dialog's default button) and records every
// title and text as "TITLE: TEXT".
class ScriptedPrompts final : public ControllerPrompts {
public:
    void showMessage(std::string_view title, std::string_view text, MessageIcon icon) override;
    bool askYesNo(
        std::string_view title, std::string_view text, MessageIcon icon, bool defaultYes) override;
    bool askOkCancel(std::string_view title, std::string_view text) override;
    NewLineChoice askNewLine(NewLineQuestion& question) override;
    int selectLine(const CGameNode& at) override;
    // Recorded as "TITLE: file"; answers from `files` (cancelled once they are used up).
    std::optional<std::string> chooseDatabaseFile(std::string_view title, bool create) override;

    std::vector<std::string> shown;
    std::deque<std::optional<std::string>> files;
    // Answers for the next questions (Yes/OK = true), used in order.
    std::deque<bool> answers;
    std::deque<NewLineChoice> newLineAnswers;
    // What the New line dialog does before it answers (deletes lines, changes the default).
    std::function<void(NewLineQuestion&)> inNewLine;
    std::deque<int> lineAnswers;
    // What a box does while it is open (a front end's nested event loop).
    std::function<void()> whileOpen;

private:
    // Records the box and runs `whileOpen`; `answer` then gives the next scripted answer.
    void record(std::string text);
    bool answer(std::string_view title, std::string_view text, bool defaultAnswer);
};

// Records the drawing requests as short texts ("draw e2e4", "draw* e7e5" for a move to
// highlight, "back e2e4", "redraw", "entered e4") and lets a test hold an animation running.
class RecordingView final : public ControllerView {
public:
    void drawMove(Move move, bool animate, bool withSound, bool highlight) override;
    void drawTakeBack(Move move, bool animate) override;
    void redrawBoard() override { events.push_back("redraw"); }
    void positionChanged(const Board& board) override { fens.push_back(board.fen()); }
    void moveEntered(const CGameNode& node) override { events.push_back("entered " + node.san()); }
    void setCommandEnabled(ControllerCommand command, bool on) override
    {
        enabled[int(command)] = on;
    }
    void setCommandChecked(ControllerCommand command, bool checked) override;
    void invalidateStatus() override { }
    void invalidateMoveList() override { }
    void clearSelection() override { }
    bool isAnimating() const override { return animating; }
    void endAnimation() override { animating = false; }
    void showMoveThereAndBack(Move move, std::string_view san, bool threat) override;
    void setBoardFlipped(bool blackAtBottom) override { flipped = blackAtBottom; }

    std::vector<std::string> events;
    std::vector<std::string> fens;
    bool animating = false;
    bool flipped = false;
    bool enabled[5] = {};
    bool checked[5] = {};
};

// A controller with fakes for every port, a settings store in memory, a documents folder of
// its own and, when asked, the test plug-in loaded with a script (TestEngine.h).
class ControllerHarness {
public:
    // `engineScript`: the test plug-in's script (';' separates lines); nullopt for no engine.
    // `plugin`: the engine plug-in's name; empty for the default one (VelmoEngine.vme).
    explicit ControllerHarness(std::optional<std::string> engineScript = std::string(),
        const std::string& plugin = "TestEngine");
    ~ControllerHarness();

    GameController& c() { return *controller; }
    // A move given as coordinates or SAN, entered by the user; playAll fails on a refusal.
    bool play(std::string_view move, bool dragged = false);
    void playAll(std::initializer_list<const char*> moves);
    // Plays `move` and waits until the engine's search for the answer has gone out.
    void searchAfter(std::string_view move);
    // With pondering on: plays `move`, lets the engine answer, waits for its ponder search.
    void ponderAfter(std::string_view move);
    // Runs posted tasks until the engine is idle (or only pondering) and nothing is left
    // queued.
    void settle(std::chrono::milliseconds limit = std::chrono::seconds(10));
    // Runs posted tasks as they come until `done` holds; a failure after `limit`.
    void runUntil(const std::function<bool()>& done,
        std::chrono::milliseconds limit = std::chrono::seconds(10));
    // Moves the fake clock on by `ms` and runs what its timers posted.
    void elapse(std::int64_t ms)
    {
        clock.advance(ms);
        ui.runPending();
    }
    // The test plug-in's calls so far, one line each ("SetLevel 1 5 0 99"); how many start
    // with `prefix`; those from the last one starting with `from` on.
    std::vector<std::string> engineCalls() const;
    int countCalls(std::string_view prefix) const;
    std::vector<std::string> callsFrom(std::string_view from) const;
    // Waits (10 s at most, a failure then) until `times` calls start with `prefix`.
    void waitForCall(const std::string& prefix, int times = 1) const;
    std::string movesText();

    // What the memory port reports.
    std::optional<std::int64_t> availableMemoryKb = 8 * 1024 * 1024;
    TempFolder folder;
    ScopedEnvironment script;
    ScopedEnvironment log;
    MemorySettingsStore store;
    MemorySettingsStore autosaveStore;
    RegistrySettings settings { store };
    AppSettings options;
    FakeClock clock;
    ManualUiThread ui;
    ManualEventPump pump { ui, clock };
    ScriptedPrompts prompts;
    RecordingView view;
    RecordingSoundOutput soundOutput;
    MoveSounds sounds { soundOutput, "" };
    std::unique_ptr<TagCompletionSources> tagSources;
    std::unique_ptr<EnginePluginHost> host;
    std::unique_ptr<GameController> controller;
};

} // namespace velmorak::test
