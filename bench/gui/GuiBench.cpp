// Desktop window figures, on the offscreen platform, each against its goal:
//  1. StartToFirstBoard: from making the main window to its first painted board (window,
//     application start without an engine, show, the first paint).
//  2. FullRepaint: a synchronous repaint of the whole board widget, at 480x640 and 1200x900.
//  3. OneSquareRepaint: a synchronous repaint of one square's widget rectangle.
//  4. DatabaseSheet: from the "Load game..." command to the first rows of the Games list
//     (first_ms) and to the complete, sorted list (complete_ms), on the masters file and on
//     the million-game file of bench/make-million-pgn.sh (its path in VELMORAK_MILLION_PGN,
//     else $VELMORAK_BENCH_DIR or ~/.cache/velmorak-bench; skipped when it is missing).
// Counters: ms (mean per operation), goal_ms, ratio (ms / goal; under 1 meets the goal),
// and paints (paint events the widget received per operation; 1 proves the repaint was not
// skipped). StartToFirstBoard also reports cold_ms, the first start in the process, when
// fonts and pictures are not yet cached: what a user waits for.
// Usage: bench_gui [--benchmark_filter=REGEX] [other Google Benchmark options]
#include <QApplication>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QPointer>
#include <QProgressBar>
#include <QTableView>
#include <QTemporaryDir>
#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <memory>
#include <optional>

#include <benchmark/benchmark.h>

#include "app/DatabaseSession.h"
#include "gui/DatabaseDialog.h"
#include "gui/DialogGallery.h"
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
// The sheet's goals: first rows and the complete list, for the masters file and for a
// million games.
constexpr double kSheetFirstGoalMs[] = { 300, 500 };
constexpr double kSheetCompleteGoalMs[] = { 1000, 3000 };
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

std::string sheetFile(int which)
{
    if (which == 0)
        return VELMORAK_DATA_DIR "/pgn/masters-111k.pgn";
    if (const char* path = std::getenv("VELMORAK_MILLION_PGN"))
        return path;
    const char* bench = std::getenv("VELMORAK_BENCH_DIR");
    const char* home = std::getenv("HOME");
    const char* cache = std::getenv("XDG_CACHE_HOME");
    if (bench)
        return std::string(bench) + "/million.pgn";
    return (cache ? std::string(cache) : std::string(home ? home : "") + "/.cache") +
        "/velmorak-bench/million.pgn";
}

double msSince(BenchClock::time_point began)
{
    return std::chrono::duration<double, std::milli>(BenchClock::now() - began).count();
}

void DatabaseSheet(benchmark::State& state)
{
    const int which = int(state.range(0));
    const std::string file = sheetFile(which);
    if (!QFileInfo::exists(QString::fromStdString(file))) {
        state.SkipWithError(("no " + file + ": run bench/make-million-pgn.sh").c_str());
        return;
    }
    ShownWindow shown(480, 640);
    if (!shown.started) {
        state.SkipWithError("the window did not start");
        return;
    }
    DatabaseSession& session = shown.window.controller().databases();
    shown.window.application().settings().writeString(kMostRecentDatabaseSetting, file);
    double firstMs = 0, completeMs = 0;
    int rows = 0;
    for (auto _ : state) {
        const auto began = BenchClock::now();
        std::unique_ptr<ChessDialog> made = makeDialog("database", shown.window);
        auto* sheet = dynamic_cast<DatabaseDialog*>(made.get());
        if (!sheet) {
            state.SkipWithError("no database sheet");
            break;
        }
        sheet->show();
        QTableView& table = *sheet->gamesView();
        PaintCounter painted(table.viewport());
        QElapsedTimer waited;
        waited.start();
        while ((table.model()->rowCount() == 0 || painted.count == 0) &&
            waited.elapsed() < kPaintTimeoutMs)
            QApplication::processEvents(QEventLoop::AllEvents, 5);
        const double first = msSince(began);
        while (sheet->progressBar()->isVisible() && waited.elapsed() < 10 * kPaintTimeoutMs)
            QApplication::processEvents(QEventLoop::AllEvents, 5);
        const double complete = msSince(began);
        state.SetIterationTime(complete / 1000);
        firstMs += first;
        completeMs += complete;
        rows = table.model()->rowCount();
        made.reset();
        // The next command opens the file again, as the first one did.
        session.database().close();
        session.resetList();
    }
    const double iterations = std::max<double>(1, double(state.iterations()));
    state.counters["first_ms"] = firstMs / iterations;
    state.counters["first_ratio"] = firstMs / iterations / kSheetFirstGoalMs[which];
    state.counters["complete_ms"] = completeMs / iterations;
    state.counters["complete_ratio"] = completeMs / iterations / kSheetCompleteGoalMs[which];
    state.counters["rows"] = rows;
}

} // namespace

BENCHMARK(DatabaseSheet)
    ->Arg(0)
    ->Arg(1)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond)
    ->Iterations(3);
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
