#include "support/ControllerHarness.h"

#include <algorithm>

#include <gtest/gtest.h>

#include "../../plugins/testengine/TestEngine.h"
#include "record/CGameNode.h"
#include "rules/CoordinateNotation.h"
#include "rules/SanNotation.h"
#include "support/FixedTagSources.h"
#include "support/LineFile.h"

namespace velmorak::test {

namespace {

const char* const kCommandNames[] = { "TakeBack", "NextMove", "Analysis", "Replay", "Training" };

// The next scripted answer, or the dialog's default once the script is used up.
template <typename T> T next(std::deque<T>& script, T fallback)
{
    if (script.empty())
        return fallback;
    T value = script.front();
    script.pop_front();
    return value;
}

} // namespace

void ManualUiThread::post(Task task)
{
    {
        std::lock_guard lock(m_mutex);
        m_tasks.push_back(std::move(task));
    }
    m_posted.notify_all();
}

int ManualUiThread::runPending()
{
    int ran = 0;
    for (;;) {
        Task task;
        {
            std::lock_guard lock(m_mutex);
            if (m_tasks.empty())
                return ran;
            task = std::move(m_tasks.front());
            m_tasks.pop_front();
        }
        task();
        ++ran;
    }
}

bool ManualUiThread::waitAndRun(std::chrono::milliseconds limit)
{
    {
        std::unique_lock lock(m_mutex);
        if (!m_posted.wait_for(lock, limit, [this] { return !m_tasks.empty(); }))
            return false;
    }
    runPending();
    return true;
}

void ManualEventPump::runFor(std::chrono::milliseconds limit)
{
    // Fake time runs faster than the real one: a wait to its limit takes a moment only.
    if (m_ui.runPending() == 0)
        m_ui.waitAndRun(std::chrono::milliseconds(1));
    m_clock.advance(limit.count());
}

void ScriptedPrompts::record(std::string text)
{
    shown.push_back(std::move(text));
    if (whileOpen)
        whileOpen();
}

bool ScriptedPrompts::answer(std::string_view title, std::string_view text, bool defaultAnswer)
{
    record(std::string(title) + ": " + std::string(text));
    return next(answers, defaultAnswer);
}

void ScriptedPrompts::showMessage(std::string_view title, std::string_view text, MessageIcon)
{
    // A message answers nothing: a scripted answer stays for the next question.
    record(std::string(title) + ": " + std::string(text));
}

bool ScriptedPrompts::askYesNo(
    std::string_view title, std::string_view text, MessageIcon, bool defaultYes)
{
    return answer(title, text, defaultYes);
}

bool ScriptedPrompts::askOkCancel(std::string_view title, std::string_view text)
{
    return answer(title, text, true);
}

NewLineChoice ScriptedPrompts::askNewLine(NewLineQuestion& question)
{
    record("Add line: " + question.label());
    if (inNewLine)
        inNewLine(question);
    return next(newLineAnswers, NewLineChoice::AddMainLine);
}

int ScriptedPrompts::selectLine(const CGameNode&)
{
    record("Select line");
    return next(lineAnswers, 0);
}

std::optional<std::string> ScriptedPrompts::chooseDatabaseFile(std::string_view title, bool)
{
    shown.push_back(std::string(title) + ": file");
    return next(files, std::optional<std::string>());
}

void RecordingView::drawMove(Move move, bool, bool, bool highlight)
{
    events.push_back((highlight ? "draw* " : "draw ") + writeCoordinates(move));
}

void RecordingView::drawTakeBack(Move move, bool)
{
    events.push_back("back " + writeCoordinates(move));
}

void RecordingView::showMoveThereAndBack(Move move, std::string_view san, bool threat)
{
    events.push_back(std::string(threat ? "threat " : "hint ") + writeCoordinates(move) + " " +
        std::string(san));
}

void RecordingView::setCommandChecked(ControllerCommand command, bool on)
{
    checked[int(command)] = on;
    events.push_back(std::string(on ? "check " : "uncheck ") + kCommandNames[int(command)]);
}

ControllerHarness::ControllerHarness(
    std::optional<std::string> engineScript, const std::string& plugin)
    : script(VELMORAK_TESTENGINE_TEXT_VARIABLE, engineScript)
    , log(VELMORAK_TESTENGINE_LOG_VARIABLE, folder.file("engine.log"))
    , tagSources([] {
        auto sources = std::make_unique<FixedTagSources>();
        sources->owner = "Owner";
        return sources;
    }())
{
    // Keep the program's book out: tests choose their own.
    store.values["Bookfilename"] = RegistryValue::string("");
    options.guiBook = false;
    controller = std::make_unique<GameController>(ControllerServices { prompts, view, ui, pump,
        clock, store, settings, options, sounds, *tagSources, folder.path(), autosaveStore,
        [this] { return availableMemoryKb; }, VELMORAK_BIN_DIR });
    if (engineScript) {
        host = std::make_unique<EnginePluginHost>(systemClock(), VELMORAK_BIN_DIR);
        EXPECT_TRUE(host->load(plugin));
        if (!plugin.empty()) {
            EXPECT_EQ(host->engineName(), plugin);
        }
        controller->setEngineHost(host.get());
        EXPECT_TRUE(controller->startEngineThread());
    }
}

ControllerHarness::~ControllerHarness()
{
    controller.reset();
    host.reset();
}

bool ControllerHarness::play(std::string_view text, bool dragged)
{
    Board board = controller->board();
    std::size_t cursor = 0;
    Move move = readCoordinateToken(board, text, cursor);
    if (move == NoMove)
        move = readSan(board, text);
    return controller->userMove(move, dragged);
}

void ControllerHarness::playAll(std::initializer_list<const char*> moves)
{
    for (const char* move : moves)
        ASSERT_TRUE(play(move)) << move;
}

void ControllerHarness::searchAfter(std::string_view move)
{
    EXPECT_TRUE(play(move)) << move;
    waitForCall("StartAnalyse 0");
}

void ControllerHarness::ponderAfter(std::string_view move)
{
    options.pondering = true;
    EXPECT_TRUE(play(move)) << move;
    settle();
    waitForCall("StartAnalyse 1");
}

void ControllerHarness::settle(std::chrono::milliseconds limit)
{
    runUntil(
        [this] {
            ui.runPending();
            bool searching = (controller->isEngineBusy() && !controller->isPondering()) ||
                controller->isEngineMoveDue();
            return !searching && ui.runPending() == 0;
        },
        limit);
}

void ControllerHarness::runUntil(const std::function<bool()>& done, std::chrono::milliseconds limit)
{
    auto deadline = std::chrono::steady_clock::now() + limit;
    while (!done()) {
        if (std::chrono::steady_clock::now() > deadline) {
            ADD_FAILURE() << "the awaited state never came";
            return;
        }
        ui.waitAndRun(std::chrono::milliseconds(20));
    }
}

std::vector<std::string> ControllerHarness::engineCalls() const
{
    return readLines(folder.file("engine.log"));
}

int ControllerHarness::countCalls(std::string_view prefix) const
{
    std::vector<std::string> calls = engineCalls();
    return int(std::count_if(calls.begin(), calls.end(),
        [&](const std::string& line) { return line.starts_with(prefix); }));
}

std::vector<std::string> ControllerHarness::callsFrom(std::string_view from) const
{
    std::vector<std::string> calls = engineCalls();
    auto last = std::find_if(calls.rbegin(), calls.rend(),
        [&](const std::string& line) { return line.starts_with(from); });
    return { last == calls.rend() ? calls.begin() : std::prev(last.base()), calls.end() };
}

void ControllerHarness::waitForCall(const std::string& prefix, int times) const
{
    EXPECT_TRUE(waitForLines(folder.file("engine.log"), prefix, times)) << prefix;
}

std::string ControllerHarness::movesText()
{
    std::string text;
    for (CGameNode* node = controller->game().root(); node->childCount() > 0;) {
        node = node->child(0);
        text += (text.empty() ? "" : " ") + node->san();
    }
    return text;
}

} // namespace velmorak::test
