// Desktop window figures, on the offscreen platform, each against its goal:
//  1. StartToFirstBoard: from making the main window to its first painted board (window,
//     application start without an engine, show, the first paint).
//  2. FullRepaint: a synchronous repaint of the whole board widget, at 480x640 and 1200x900.
//  3. OneSquareRepaint: a synchronous repaint of one square's widget rectangle.
// Counters: ms (mean per operation), goal_ms, ratio (ms / goal; under 1 meets the goal),
// and paints (paint events the widget received per operation; 1 proves the repaint was not
// skipped). StartToFirstBoard also reports cold_ms, the first start in the process, when
// fonts and pictures are not yet cached: what a user waits for.
// Usage: bench_gui [--benchmark_filter=REGEX] [other Google Benchmark options]
#include <QApplication>
#include <QElapsedTimer>
#include <QPointer>
#include <QTemporaryDir>
#include <chrono>
#include <memory>
#include <optional>

#include <benchmark/benchmark.h>

#include "gui/MainWindow.h"
#include "gui/QtText.h"
#include "present/BoardView.h"

using namespace velmorak;
using namespace velmorak::gui;
using BenchClock = std::chrono::steady_clock;

namespace {

constexpr double kStartGoalMs = 300;
constexpr double kFullRepaintGoalMs = 4;
constexpr double kSquareRepaintGoalMs = 1;
// A window that has not painted after this long has failed, not merely been slow.
constexpr int kPaintTimeoutMs = 10000;

// Counts the paint events a widget receives.
class PaintCounter : public QObject {
public:
    explicit PaintCounter(QWidget* widget)
        : m_widget(widget)
    {
        widget->installEventFilter(this);
    }
    ~PaintCounter() override
    {
        if (m_widget)
            m_widget->removeEventFilter(this);
    }
    int count = 0;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (watched == m_widget && event->type() == QEvent::Paint)
            ++count;
        return false;
    }

private:
    QPointer<QWidget> m_widget;
};

// Settings and autosave in a folder of the benchmark's own: nothing of the user's is read.
WindowStart benchStart(const QTemporaryDir& folder)
{
    WindowStart start;
    start.screenshot = true;
    start.settingsPath = toBytes(folder.filePath(QStringLiteral("settings.reg")));
    start.documentsFolder = toBytes(folder.path());
    return start;
}

// Handles events until the widget has painted once (the filter sees the event before the
// widget paints; the paint is over when the event loop returns).
bool waitForPaint(const PaintCounter& counter, int before)
{
    QElapsedTimer waited;
    waited.start();
    while (counter.count == before) {
        if (waited.elapsed() > kPaintTimeoutMs)
            return false;
        QApplication::processEvents(QEventLoop::AllEvents, 10);
    }
    return true;
}

void setFigures(benchmark::State& state, double totalMs, double goalMs, double paints)
{
    const double iterations = double(state.iterations());
    const double mean = iterations > 0 ? totalMs / iterations : 0;
    state.counters["ms"] = mean;
    state.counters["goal_ms"] = goalMs;
    state.counters["ratio"] = mean / goalMs;
    state.counters["paints"] = iterations > 0 ? paints / iterations : 0;
}

std::optional<double> g_coldStartMs;

void StartToFirstBoard(benchmark::State& state)
{
    QTemporaryDir folder;
    double totalMs = 0, paints = 0;
    for (auto _ : state) {
        const auto began = BenchClock::now();
        auto window = std::make_unique<MainWindow>(benchStart(folder));
        PaintCounter counter(&window->boardWidget());
        if (!window->start()) {
            state.SkipWithError("the window did not start");
            break;
        }
        window->resize(480, 640);
        window->show();
        if (!waitForPaint(counter, 0)) {
            state.SkipWithError("the board was never painted");
            break;
        }
        const double ms =
            std::chrono::duration<double, std::milli>(BenchClock::now() - began).count();
        state.SetIterationTime(ms / 1000);
        if (!g_coldStartMs)
            g_coldStartMs = ms;
        totalMs += ms;
        paints += counter.count;
        window->close();
    }
    setFigures(state, totalMs, kStartGoalMs, paints);
    state.counters["cold_ms"] = g_coldStartMs.value_or(0);
}

// A started, shown window of the given size whose board has painted once.
struct ShownWindow {
    ShownWindow(int width, int height)
        : window(benchStart(folder))
        , counter(&window.boardWidget())
    {
        started = bool(window.start());
        window.resize(width, height);
        window.show();
        started = started && waitForPaint(counter, 0);
    }
    QTemporaryDir folder;
    MainWindow window;
    PaintCounter counter;
    bool started = false;
};

void FullRepaint(benchmark::State& state)
{
    ShownWindow shown(int(state.range(0)), int(state.range(1)));
    if (!shown.started) {
        state.SkipWithError("the window did not start");
        return;
    }
    BoardWidget& board = shown.window.boardWidget();
    const int before = shown.counter.count;
    double totalMs = 0;
    for (auto _ : state) {
        const auto began = BenchClock::now();
        board.repaint();
        const double ms =
            std::chrono::duration<double, std::milli>(BenchClock::now() - began).count();
        state.SetIterationTime(ms / 1000);
        totalMs += ms;
    }
    setFigures(state, totalMs, kFullRepaintGoalMs, shown.counter.count - before);
    state.counters["layout"] = shown.window.boardView().layoutIndex();
}

void OneSquareRepaint(benchmark::State& state)
{
    ShownWindow shown(int(state.range(0)), int(state.range(1)));
    if (!shown.started) {
        state.SkipWithError("the window did not start");
        return;
    }
    BoardWidget& board = shown.window.boardWidget();
    // e4 after 1.e4: a square with a piece on it, as after a move.
    const Square e4 = makeSquare(4, 3);
    const QRect area = board.transform().toWidget(*shown.window.boardView().squareRect(e4));
    const int before = shown.counter.count;
    double totalMs = 0;
    for (auto _ : state) {
        const auto began = BenchClock::now();
        board.repaint(area);
        const double ms =
            std::chrono::duration<double, std::milli>(BenchClock::now() - began).count();
        state.SetIterationTime(ms / 1000);
        totalMs += ms;
    }
    setFigures(state, totalMs, kSquareRepaintGoalMs, shown.counter.count - before);
}

} // namespace

BENCHMARK(StartToFirstBoard)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(20);
BENCHMARK(FullRepaint)
    ->Args({ 480, 640 })
    ->Args({ 1200, 900 })
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);
BENCHMARK(OneSquareRepaint)
    ->Args({ 480, 640 })
    ->Args({ 1200, 900 })
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);

int main(int argc, char** argv)
{
    // Before the application exists: it picks its platform when it is made.
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
