#include <QAbstractButton>
#include <QAccessible>
#include <QAction>
#include <QApplication>
#include <QContextMenuEvent>
#include <QDialog>
#include <QImage>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QMimeData>
#include <QProxyStyle>
#include <QTest>
#include <QToolBar>
#include <cmath>
#include <vector>

#include <gtest/gtest.h>

#include "ArtImages.h"
#include "WindowHarness.h"
#include "engine/BookSettings.h"
#include "gui/BoardAccessible.h"
#include "gui/QtClock.h"
#include "gui/SingleInstance.h"
#include "platform/SettingsFileStore.h"
#include "present/SpokenStatus.h"
#include "record/FirstGame.h"

using velmorak::test::WindowHarness;
using namespace velmorak;

namespace {

constexpr int kTakeBack = cmd::kTakeBackMove, kNextMove = cmd::kNextMove,
              kAnalyze = cmd::kAnalyzeMode, kToggleLayout = cmd::kToggleLayout,
              kFlip = cmd::kFlipBoard, kHint = cmd::kHint;

TEST(MainWindow, PlaysMovesByTapsAndDragsAndTheEngineAnswers)
{
    const struct {
        const char* name;
        bool oneTap;
        std::string_view gesture, from, to;
        PieceCode piece;
    } rows[] = {
        { "TwoTaps", false, "g1 f3", "g1", "f3", kWhiteKnight },
        { "TargetThenPiece", false, "f3 g1", "g1", "f3", kWhiteKnight },
        { "Drag", false, "b1-c3", "b1", "c3", kWhiteKnight },
        { "OneTapOnTheOnlyTarget", true, "e4", "e2", "e4", kWhitePawn },
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        WindowHarness h({ .oneTap = row.oneTap });
        h.enter(row.gesture);
        EXPECT_EQ(h.shownAt(row.from), kEmpty);
        EXPECT_EQ(h.shownAt(row.to), row.piece);
        ASSERT_TRUE(h.waitForWhiteToMove());
        const Move answer = h.window().controller().state().lastMove;
        EXPECT_EQ(h.window().boardView().pieceShownAt(answer.to), answer.piece);
        EXPECT_EQ(h.window().boardView().pieceShownAt(answer.from), kEmpty);
    }
}

TEST(MainWindow, TheWindowRunsOnWhileAHintIsSearched)
{
    WindowHarness h;
    // Read by the test engine at each search.
    ScopedEnvironment slow("VELMORAK_TESTENGINE", "sleep 600;line 0 g1f3");
    auto& w = h.window();
    int ticksWhileSearching = 0;
    QTimer probe;
    QObject::connect(&probe, &QTimer::timeout,
        [&] { ticksWhileSearching += w.controller().state().hintSearchActive; });
    probe.start(50);
    w.runCommand(kHint);
    EXPECT_GT(ticksWhileSearching, 3) << "timers, the clocks' among them, ran meanwhile";
    EXPECT_FALSE(w.controller().state().hintSearchActive);
}

TEST(MainWindow, PromotionDialogChoosesThePieceAndCancelGivesAQueen)
{
    for (const auto& [choice, expected] : { std::pair { "Knight", kWhiteKnight },
             std::pair { "Rook", kWhiteRook }, std::pair { "Cancel", kWhiteQueen } }) {
        SCOPED_TRACE(choice);
        WindowHarness h({ .fen = "k7/4P3/8/8/8/8/P7/4K3 w - - 0 1" });
        bool shown = false;
        h.whenDialogShows("Promotion", [&](QWidget& dialog) {
            shown = true;
            // The pieces are named buttons, Cancel is the button box's.
            for (auto* button : dialog.findChildren<QAbstractButton*>())
                if (button->accessibleName() == choice || button->text().remove('&') == choice)
                    return button->click();
        });
        h.enter("e7 e8");
        EXPECT_TRUE(shown);
        EXPECT_EQ(h.window().controller().board().pieceAt(squareFromText("e8")), expected);
        EXPECT_EQ(h.shownAt("e8"), expected);
        EXPECT_EQ(h.shownAt("e7"), kEmpty);
    }
}

TEST(MainWindow, TakeBackForwardAndAnalysisKeepTheCommandStates)
{
    WindowHarness h;
    auto& w = h.window();
    auto enabled = [&](int id) { return w.barAction(id)->isEnabled(); };
    EXPECT_FALSE(enabled(kTakeBack));
    EXPECT_FALSE(w.action(kTakeBack)->isEnabled());
    EXPECT_FALSE(enabled(kNextMove));
    h.play("e2 e4");
    const std::string played = h.fen();
    EXPECT_TRUE(enabled(kTakeBack));
    EXPECT_TRUE(w.action(kTakeBack)->isEnabled());
    EXPECT_FALSE(enabled(kNextMove));

    w.barAction(kTakeBack)->trigger();
    ASSERT_TRUE(h.waitUntil([&] { return !w.isAnimating(); }));
    const std::string takenBack = h.fen();
    EXPECT_NE(takenBack, played);
    EXPECT_TRUE(enabled(kNextMove));
    EXPECT_TRUE(w.action(kNextMove)->isEnabled());

    QWidget& board = w.boardWidget();
    QTest::keyClick(&board, Qt::Key_Right);
    EXPECT_EQ(h.fen(), played);
    EXPECT_FALSE(enabled(kNextMove));
    QTest::keyClick(&board, Qt::Key_Left);
    EXPECT_EQ(h.fen(), takenBack);
    w.barAction(kNextMove)->trigger();
    EXPECT_EQ(h.fen(), played);

    QAction* analyze = w.barAction(kAnalyze);
    EXPECT_FALSE(analyze->isChecked());
    analyze->trigger();
    EXPECT_TRUE(w.controller().state().analysisMode);
    EXPECT_TRUE(analyze->isChecked());
    analyze->trigger();
    EXPECT_FALSE(w.controller().state().analysisMode);
    EXPECT_FALSE(analyze->isChecked());
    // A new game ends the analysis elsewhere: the button follows.
    analyze->trigger();
    h.answerOk = true;
    w.runCommand(cmd::kNewGame);
    EXPECT_EQ(h.takeMessages(), QStringList { "Do you really want a new game?" });
    EXPECT_FALSE(w.controller().state().analysisMode);
    EXPECT_FALSE(analyze->isChecked());
    EXPECT_FALSE(enabled(kTakeBack));
}

TEST(MainWindow, AnimationRefusesFlipAndToggleAResizeOrADragEndsItAndFlipPutsH1TopLeft)
{
    WindowHarness h({ .animation = true });
    auto& w = h.window();
    QAction* flip = w.barAction(kFlip);
    QAction* toggle = w.barAction(kToggleLayout);
    h.enter("e2 e4");
    ASSERT_TRUE(w.isAnimating());
    flip->trigger();
    toggle->trigger();
    EXPECT_FALSE(flip->isChecked());
    EXPECT_FALSE(w.boardView().flipped());
    EXPECT_EQ(w.boardView().layoutIndex(), 7);
    EXPECT_EQ(toggle->isChecked(), w.boardView().layout()[kToggleState] != 0);
    // The animation's points belong to the old layout: it ends with the switch.
    h.resizeBoardTo(800, 400);
    EXPECT_FALSE(w.isAnimating());
    EXPECT_EQ(h.shownAt("e4"), kWhitePawn);
    EXPECT_EQ(h.shownAt("e2"), kEmpty);
    // A drag during the engine's animation ends it and plays.
    ASSERT_TRUE(h.waitUntil(
        [&] { return w.controller().board().sideToMove() == kWhiteSide && w.isAnimating(); }));
    h.enter("g1-f3");
    EXPECT_EQ(w.controller().board().pieceAt(squareFromText("f3")), kWhiteKnight);
    EXPECT_FALSE(
        w.boardView().selectedFrom() != NoSquare || w.boardView().selectedTo() != NoSquare);
    ASSERT_TRUE(h.waitForWhiteToMove());

    flip->trigger();
    EXPECT_TRUE(flip->isChecked());
    EXPECT_TRUE(w.action(kFlip)->isChecked()) << "the menu item agrees with its button";
    EXPECT_TRUE(w.boardView().flipped());
    // A press just inside the board's top-left corner now picks up the rook on h1.
    const LayoutRecord& layout = w.boardView().layout();
    const int x = layout[kOriginX] + 3, y = layout[kOriginY] + 3;
    const QPoint corner = w.boardWidget().transform().toWidget({ x, y, x + 1, y + 1 }).topLeft();
    h.mouse(QEvent::MouseButtonPress, corner);
    EXPECT_EQ(w.boardView().dragFrom(), squareFromText("h1"));
    h.mouse(QEvent::MouseButtonRelease, corner);
}

TEST(MainWindow, LayoutFollowsToggleAndWindowShapeAndAResizeCancelsADrag)
{
    WindowHarness h({ .oneTap = true });
    auto& w = h.window();
    EXPECT_EQ(w.boardView().layoutIndex(), 7);
    w.barAction(kToggleLayout)->trigger();
    EXPECT_EQ(w.boardView().layoutIndex(), 8);

    // A drag toward e4 is under way when the window becomes landscape.
    const std::string before = h.fen();
    h.mouse(QEvent::MouseButtonPress, h.centreOf("e2"));
    h.mouse(QEvent::MouseMove, h.centreOf("e3"));
    ASSERT_TRUE(w.boardView().isDragging());
    h.resizeBoardTo(800, 400);
    EXPECT_EQ(w.boardView().layoutIndex(), 10);
    EXPECT_FALSE(w.boardView().isDragging());
    h.mouse(QEvent::MouseButtonRelease, h.centreOf("e4"));
    EXPECT_EQ(h.fen(), before);
    EXPECT_EQ(h.shownAt("e2"), kWhitePawn);

    h.resizeBoardTo(600, 500);
    EXPECT_EQ(w.boardView().layoutIndex(), 12);
    // Square and landscape windows cycle pictures of their own that really differ, and
    // keep a toggled layout through a trip to another shape.
    const QImage square12 = w.boardWidget().grab().toImage();
    w.barAction(kToggleLayout)->trigger();
    EXPECT_EQ(w.boardView().layoutIndex(), 14);
    EXPECT_NE(w.boardWidget().grab().toImage(), square12);
    h.resizeBoardTo(1000, 600);
    const QImage landscape10 = w.boardWidget().grab().toImage();
    for (int expected : { 12, 14, 10 }) {
        w.barAction(kToggleLayout)->trigger();
        EXPECT_EQ(w.boardView().layoutIndex(), expected);
    }
    w.barAction(kToggleLayout)->trigger();
    EXPECT_NE(w.boardWidget().grab().toImage(), landscape10);
    h.resizeBoardTo(600, 500);
    EXPECT_EQ(w.boardView().layoutIndex(), 14);
    // Back in portrait, the toggled layout used there before.
    h.resizeBoardTo(480, 600);
    EXPECT_EQ(w.boardView().layoutIndex(), 8);
    // The board still takes moves in the new geometry.
    h.enter("g1-f3");
    EXPECT_EQ(w.controller().board().pieceAt(squareFromText("f3")), kWhiteKnight);
}

TEST(MainWindow, ContextMenuOpensOutsideTheBoardAboveTheStatusBottom)
{
    WindowHarness h;
    QWidget& board = h.window().boardWidget();
    // The items of the menu a right click at `at` opens; none when none opens.
    auto menuAt = [&](QPoint at) {
        QStringList items;
        QTimer poll;
        QObject::connect(&poll, &QTimer::timeout, [&] {
            if (auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget())) {
                for (QAction* a : menu->actions())
                    items << a->text();
                menu->close();
            }
        });
        poll.start(10);
        QContextMenuEvent event(QContextMenuEvent::Mouse, at, board.mapToGlobal(at));
        QApplication::sendEvent(&board, &event);
        return items;
    };
    EXPECT_EQ(menuAt(h.centreOf("e4")), QStringList {});
    const QStringList items = menuAt(h.statusPanel().topLeft() + QPoint(6, 6));
    ASSERT_FALSE(items.isEmpty());
    EXPECT_EQ(items.first(), "New game");
    EXPECT_TRUE(items.contains("Replay moves"));
}

TEST(MainWindow, TypedMovesKeepTheFieldOpenAndRefusedTextIsExplainedOnThePanel)
{
    const struct {
        const char* name;
        const char* typed;
        bool plays;
        std::string message;
    } rows[] = {
        { "San", "e4", true, {} },
        { "Coordinates", "g1f3", true, {} },
        { "Illegal", "e5", false, "'e5' is no legal move here" },
        { "UnknownWord", "hello", false, "unknown command 'hello'; type a move or one of: back" },
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        WindowHarness h;
        auto& w = h.window();
        const std::string before = h.fen();
        h.type(row.typed);
        QLineEdit* field = w.moveField();
        EXPECT_EQ(h.fen() != before, row.plays);
        ASSERT_TRUE(h.waitForWhiteToMove());
        EXPECT_TRUE(field->isVisible());
        EXPECT_EQ(w.focusWidget(), field);
        EXPECT_EQ(field->text(), row.plays ? QString() : row.typed);
        if (!row.plays) {
            EXPECT_EQ(w.boardWidget().panelContent().lines.second.rfind(row.message, 0), 0u);
            continue;
        }
        // A Return on the empty field is the field's: no "Move now!" for the player's side.
        const std::string answered = h.fen();
        QTest::keyClick(field, Qt::Key_Return);
        EXPECT_FALSE(w.controller().isEngineBusy());
        EXPECT_EQ(h.fen(), answered);
        EXPECT_TRUE(field->isVisible());
    }
}

// What the words of `play` do is the dispatcher's test; the window serves neither a text board
// nor the end of typed input.
TEST(MainWindow, TypedWordsTheWindowCannotServeSaySoAndEscapeOrAClickClosesTheField)
{
    WindowHarness h;
    auto& w = h.window();
    h.type("board");
    h.type("quit");
    EXPECT_EQ(h.takeMessages(),
        (QStringList { "'board' is not available here", "'quit' is not available here" }));
    EXPECT_FALSE(w.hasExited());

    QLineEdit* field = w.moveField();
    QTest::keyClick(&w.boardWidget(), 'e');
    QTest::keyClick(field, Qt::Key_Escape);
    EXPECT_FALSE(field->isVisible());
    QTest::keyClick(&w.boardWidget(), 'e');
    ASSERT_TRUE(field->isVisible());
    h.enter("a4");
    EXPECT_FALSE(field->isVisible());
}

TEST(MainWindow, ClosingSavesTheGameAndTheNextWindowRestoresIt)
{
    WindowHarness h({ .oneTap = true });
    h.play("e4");
    h.play("d4");
    const std::string played = h.fen();
    h.window().barAction(kFlip)->trigger();
    h.window().barAction(kToggleLayout)->trigger();

    h.window().close();
    EXPECT_TRUE(h.window().hasExited());
    EXPECT_NE(TempFolder::read(h.settingsPath()).find("WindowGeometry"), std::string::npos);

    h.reopen();
    EXPECT_EQ(h.fen(), played);
    EXPECT_EQ(h.shownAt("d4"), kWhitePawn);
    EXPECT_TRUE(h.window().barAction(kTakeBack)->isEnabled());
    EXPECT_TRUE(h.window().boardView().flipped());
    EXPECT_TRUE(h.window().barAction(kFlip)->isChecked());
    EXPECT_EQ(h.window().boardView().layoutIndex(), 8);
}

TEST(MainWindow, ASecondStartHandsItsPgnFileToTheWindow)
{
    TempFolder runtime;
    ScopedEnvironment xdg("XDG_RUNTIME_DIR", runtime.path());
    WindowHarness h;
    gui::SingleInstance first;
    ASSERT_TRUE(first.listen());
    QObject::connect(&first, &gui::SingleInstance::filesReceived, &h.window(),
        [&h](const QStringList& files) { h.window().openFiles(files); });

    gui::SingleInstance second;
    // A file of many games opens the database sheet; its first game is loaded from there.
    h.whenDialogShows("Velmorak", [](QWidget& sheet) { static_cast<QDialog&>(sheet).accept(); });
    ASSERT_TRUE(second.handOver({ VELMORAK_DATA_DIR "/pgn/masters-111k.pgn" }));
    ASSERT_TRUE(h.waitUntil([&] { return h.window().controller().game().white() == "Savrov"; }));
    EXPECT_EQ(h.window().controller().game().black(), "Alekhine, Alexander");

    // A file the first game of which `play --pgn` refuses (PlayCommandTest has every reason) is
    // refused with its reason; unreadable files handed over together are reported in one box.
    const std::string empty = h.openFile("empty.pgn", "");
    const QString reason = QString::fromStdString(readFirstGame(empty).error().message);
    EXPECT_EQ(h.takeMessages(), QStringList { reason });
    h.window().openFiles({ QString::fromStdString(empty), QString::fromStdString(empty) });
    EXPECT_EQ(h.takeMessages(), QStringList { reason + '\n' + reason });
    EXPECT_EQ(h.window().controller().game().white(), "Savrov") << "the game stays";
}

TEST(MainWindow, AFileHandedOverWhileAQuestionIsOpenWaitsUntilItIsAnswered)
{
    struct Row {
        const char* dialog;
        std::function<void(WindowHarness&)> ask;
    };
    const Row rows[] = {
        { "Select line", [](WindowHarness& h) { h.window().runCommand(kNextMove); } },
        { "Add line", [](WindowHarness& h) { h.enter("c2 c4"); } },
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.dialog);
        WindowHarness h;
        h.openFile("branchy.pgn", "[White \"Branch\"]\n1. e4 (1. d4) e5 *\n");
        const std::string single = h.folder().file("single.pgn");
        TempFolder::write(single, "[White \"Savrov\"]\n1. d4 *\n");
        h.window().runCommand(cmd::kBackToStart);
        bool shown = false;
        h.whenDialogShows(row.dialog, [&](QWidget& dialog) {
            shown = true;
            h.window().openFiles({ QString::fromStdString(single) });
            EXPECT_EQ(h.window().controller().game().white(), "Branch");
            // OK answers either question (Add line: "Add main line").
            static_cast<QDialog&>(dialog).accept();
        });
        row.ask(h);
        EXPECT_TRUE(shown);
        EXPECT_TRUE(
            h.waitUntil([&] { return h.window().controller().game().white() == "Savrov"; }));
    }
}

TEST(MainWindow, ADroppedFileOpensAsOnTheCommandLineAndTheTitleNamesIt)
{
    WindowHarness h;
    const QString program = QStringLiteral("Velmorak \u2014 ") +
        QString::fromStdString(h.window().application().host().engineName());
    EXPECT_EQ(h.window().windowTitle(), program);

    auto drop = [&h](const std::string& path) {
        QMimeData data;
        data.setUrls({ QUrl::fromLocalFile(QString::fromStdString(path)) });
        QDragEnterEvent enter(QPoint(5, 5), Qt::CopyAction, &data, Qt::LeftButton, {});
        QApplication::sendEvent(&h.window(), &enter);
        if (!enter.isAccepted())
            return false;
        QDropEvent dropped(QPointF(5, 5), Qt::CopyAction, &data, Qt::LeftButton, {});
        QApplication::sendEvent(&h.window(), &dropped);
        return true;
    };
    EXPECT_FALSE(drop(h.folder().file("notes.txt")));

    h.whenDialogShows("Velmorak", [](QWidget& sheet) { static_cast<QDialog&>(sheet).accept(); });
    ASSERT_TRUE(drop(VELMORAK_DATA_DIR "/pgn/masters-111k.pgn"));
    ASSERT_TRUE(h.waitUntil([&] { return h.window().controller().game().white() == "Savrov"; }));
    EXPECT_EQ(h.window().windowTitle(), QStringLiteral("masters-111k.pgn \u2014 ") + program);
    h.answerOk = true;
    h.window().runCommand(cmd::kNewGame);
    h.messages.clear();
    EXPECT_EQ(h.window().windowTitle(), program) << "a new game comes from no file";

    // A dropped book is the program's book from then on, kept in the settings.
    const std::string book = h.folder().file("Dropped Book.kbk");
    TempFolder::write(book, std::string("\x03\x1c", 2));
    ASSERT_TRUE(drop(book));
    ASSERT_TRUE(h.waitUntil([&] {
        return h.window().boardWidget().panelContent().lines.second ==
            "Opening book: Dropped Book.kbk";
    }));
    ASSERT_TRUE(drop(h.folder().file("missing.kbk")));
    ASSERT_TRUE(h.waitUntil([&] { return !h.messages.isEmpty(); }));
    EXPECT_EQ(h.takeMessages(),
        QStringList { QString::fromStdString("cannot open " + h.folder().file("missing.kbk")) });
    SettingsFileStore stored(h.settingsPath());
    EXPECT_EQ(readBookSetting(stored, kBookFileSetting), book);
}

TEST(MainWindow, ANarrowWindowKeepsEveryCommandBarButtonShown)
{
    WindowHarness h;
    h.window().resize(120, 670);
    QApplication::processEvents();
    auto* bar = h.window().findChild<QToolBar*>(QStringLiteral("commandBar"));
    ASSERT_NE(bar, nullptr);
    for (int command : { kToggleLayout, kFlip }) {
        QWidget* button = bar->widgetForAction(h.window().barAction(command));
        ASSERT_NE(button, nullptr);
        EXPECT_TRUE(button->isVisible()) << command;
        EXPECT_LE(button->geometry().right(), bar->width()) << command;
    }
}

// Every accessible object under `root` with its name, depth first.
void collectNames(QAccessibleInterface* root, QStringList& names)
{
    for (int i = 0; i < root->childCount(); ++i)
        if (QAccessibleInterface* child = root->child(i)) {
            names << child->text(QAccessible::Name);
            collectNames(child, names);
        }
}

TEST(MainWindow, CommandsHaveKeysTheMenusShowAndReadWithoutThem)
{
    WindowHarness h;
    auto& w = h.window();
    const struct {
        const char* name;
        QKeySequence key;
        std::function<bool()> done;
        bool fromMoveField;
    } rows[] = {
        { "FlipBoard", QKeySequence("Ctrl+F"), [&] { return w.boardView().flipped(); }, false },
        { "FlipBackFromTheMoveField", QKeySequence("Ctrl+F"),
            [&] { return !w.boardView().flipped(); }, true },
        { "ToggleLayoutFromTheMoveField", QKeySequence("Ctrl+L"),
            [&] { return w.boardView().layoutIndex() == 8; }, true },
        // Its first start says where its positions come from (the test has none).
        { "Training", QKeySequence("Ctrl+T"),
            [&] { return h.messages.value(0).startsWith("Loading training-positions"); }, false },
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        QWidget* target = &w.boardWidget();
        if (row.fromMoveField) {
            QTest::keyClick(target, 'e');
            target = w.moveField();
            ASSERT_TRUE(target->hasFocus());
        }
        QTest::keySequence(target, row.key);
        EXPECT_TRUE(row.done());
    }
    h.messages.clear();
    EXPECT_EQ(w.action(cmd::kShowThreat)->shortcut(), QKeySequence("Ctrl+R"));
    // The field is still open, and on the first status line of the new layout.
    EXPECT_EQ(w.moveField()->pos(), h.statusPanel().topLeft() + QPoint(2, 2));

    QStringList names;
    for (QMenu* menu : w.menuBar()->findChildren<QMenu*>())
        collectNames(QAccessible::queryAccessibleInterface(menu), names);
    EXPECT_TRUE(names.contains("New game"));
    EXPECT_TRUE(names.filter(u"\t").isEmpty()) << names.filter(u"\t").join('|').toStdString();
    EXPECT_EQ(w.menuBar()->actions().first()->text(), "&File");

    // Each control of the command bar says what it is.
    names.clear();
    collectNames(QAccessible::queryAccessibleInterface(w.findChild<QToolBar*>()), names);
    EXPECT_FALSE(names.contains(QString())) << names.join('|').toStdString();
}

// A style that leaves Alt to the program.
class NoAltStyle : public QProxyStyle {
public:
    int styleHint(StyleHint hint, const QStyleOption* option, const QWidget* widget,
        QStyleHintReturn* returned) const override
    {
        return hint == SH_MenuBar_AltKeyNavigation
            ? 0
            : QProxyStyle::styleHint(hint, option, widget, returned);
    }
};

TEST(MainWindow, F10AndALoneAltOpenTheMenuBarUnderEveryStyle)
{
    WindowHarness h;
    auto& w = h.window();
    QMenuBar* bar = w.menuBar();
    NoAltStyle noAlt;
    bar->setStyle(&noAlt);
    QWidget* board = &w.boardWidget();
    auto opened = [&] {
        QApplication::processEvents();
        const bool open = bar->activeAction() == bar->actions().first();
        if (QWidget* menu = QApplication::activePopupWidget())
            menu->close();
        bar->setActiveAction(nullptr);
        return open;
    };
    QTest::keyClick(board, Qt::Key_F10);
    EXPECT_TRUE(opened()) << "F10";
    QTest::keyPress(board, Qt::Key_Alt, Qt::AltModifier);
    QTest::keyRelease(board, Qt::Key_Alt);
    EXPECT_TRUE(opened()) << "a lone Alt";
    QTest::keyPress(board, Qt::Key_Alt, Qt::AltModifier);
    QTest::keyClick(board, Qt::Key_X, Qt::AltModifier);
    QTest::keyRelease(board, Qt::Key_Alt);
    EXPECT_FALSE(opened()) << "Alt with a key";
    bar->setStyle(nullptr);
}

TEST(MainWindow, TabGoesFromTheCommandBarToTheBoardAndIntoTheMoveField)
{
    WindowHarness h;
    auto& w = h.window();
    QToolBar* commandBar = w.findChild<QToolBar*>();
    auto button = [&](int command) { return commandBar->widgetForAction(w.barAction(command)); };
    auto press = [](Qt::Key key) { QTest::keyClick(QApplication::focusWidget(), key); };
    EXPECT_EQ(QApplication::focusWidget(), &w.boardWidget()) << "letters typed at once are moves";
    press(Qt::Key_Backtab);
    EXPECT_EQ(QApplication::focusWidget(), button(kFlip));
    press(Qt::Key_Tab);
    EXPECT_EQ(QApplication::focusWidget(), &w.boardWidget());
    press(Qt::Key_Tab);
    EXPECT_TRUE(w.moveField()->isVisible());
    EXPECT_EQ(QApplication::focusWidget(), w.moveField());
    press(Qt::Key_Backtab);
    EXPECT_FALSE(w.moveField()->isVisible());
    EXPECT_EQ(QApplication::focusWidget(), &w.boardWidget());
    press(Qt::Key_Tab);
    press(Qt::Key_Tab);
    // Take back and Next move cannot be pressed in a new game.
    EXPECT_EQ(QApplication::focusWidget(), button(cmd::kGameMoves));
    EXPECT_FALSE(w.moveField()->isVisible());
    press(Qt::Key_Tab);
    EXPECT_EQ(QApplication::focusWidget(), button(cmd::kMoveNow));
}

std::vector<std::pair<QAccessible::Event, QString>> g_announced;

TEST(MainWindow, AfterMateTheBoardSaysSoAndTheStatusIsAnnouncedOnRequest)
{
    WindowHarness h({ .fen = "k7/8/1K6/8/8/8/8/7R w - - 0 1" });
    auto& w = h.window();
    h.enter("h1-h8");
    EXPECT_EQ(h.takeMessages(), QStringList { "Checkmate" });
    EXPECT_EQ(
        w.boardWidget().accessibleDescription(), "Last move 1.Rh8#. Checkmate, White wins, 1-0");

    const auto previous = gui::BoardAccessible::setAnnouncer([](QAccessibleEvent* event) {
        g_announced.emplace_back(
            event->type(), event->accessibleInterface()->text(QAccessible::Name));
    });
    // The box took the keys; closed, it gives them back.
    w.activateWindow();
    ASSERT_TRUE(h.waitUntil([&] { return w.isActiveWindow(); }));
    QTest::keySequence(&w.boardWidget(), QKeySequence("Ctrl+I"));
    gui::BoardAccessible::setAnnouncer(previous);
    const QString said = "Checkmate, White wins, 1-0. " +
        QString::fromStdString(spokenClocks(w.controller().clocks()));
    EXPECT_EQ(QString::fromStdString(w.boardWidget().panelContent().lines.second), said);
    const decltype(g_announced) expected { { QAccessible::NameChanged, said },
        { QAccessible::Alert, said } };
    EXPECT_EQ(g_announced, expected);
}

// The status panel of the board as grabbed now, in the image's pixels.
struct PanelImage {
    explicit PanelImage(WindowHarness& h)
        : image(h.window().boardWidget().grab().toImage())
    {
        const double scale = double(image.width()) / h.window().boardWidget().width();
        const QRect inWidget = h.statusPanel();
        panel = QRect(inWidget.topLeft() * scale, inWidget.size() * scale);
    }
    // The runs of pixel rows (first, end) with dark ink between columns `left` and `right`.
    std::vector<std::pair<int, int>> textRows(int left, int right) const
    {
        std::vector<std::pair<int, int>> rows;
        for (int y = panel.top() + 2, start = -1; y < panel.bottom() - 1; ++y) {
            bool ink = false;
            for (int x = left; x < right && !ink; ++x)
                ink = qGray(image.pixel(x, y)) < 100;
            if (ink && start < 0)
                start = y;
            if (!ink && start >= 0)
                rows.push_back({ start, y }), start = -1;
        }
        return rows;
    }
    QImage image;
    QRect panel;
};

// In a square window the players keep a row of the panel under the engine's line, and no
// window gets so small that the panel's text is cut.
TEST(MainWindow, ThePanelKeepsThePlayersAndTheWindowItsMinimumSize)
{
    WindowHarness h;
    h.resizeBoardTo(700, 620);
    gui::MainWindow& w = h.window();
    w.controller().game().setTag("White", "Anna");
    w.controller().game().setTag("Black", "Ben");
    h.play("e2 e4");
    const bool engineLine = w.controller().engineHost() &&
        w.controller().engineHost()->output().snapshot().rawLine.size() >= 2;
    // In the left half, clear of the clocks.
    const PanelImage p(h);
    EXPECT_EQ(p.textRows(p.panel.left() + 3, p.panel.center().x()).size(), engineLine ? 3u : 2u)
        << "the move, the engine's line, the players";

    w.resize(60, 60);
    QApplication::processEvents();
    EXPECT_GE(w.boardWidget().width(), 320);
    EXPECT_GE(w.boardWidget().height(), 240);
}

TEST(MainWindow, LongNamesStayInsideTheLandscapePanelWhoseTextStopsGrowing)
{
    WindowHarness h;
    h.resizeBoardTo(1000, 560);
    gui::MainWindow& w = h.window();
    ASSERT_TRUE(isLandscapeLayout(w.boardView().layoutIndex()));
    const std::string name = std::string(12, 'W') + " Featherstonehaugh-Cholmondeley";
    w.controller().game().setTag("White", name);
    w.controller().game().setTag("Black", name);
    // The first two rows of text are the names; right of their colour marks the same name
    // reads the same in both, not cut on the left in one of them.
    const PanelImage p(h);
    const int left = p.panel.left() + p.panel.width() / 5, width = p.panel.width() * 4 / 5 - 6;
    const auto bands = p.textRows(left, p.panel.right() - 4);
    ASSERT_GE(bands.size(), 2u);
    const int height = std::max(bands[0].second - bands[0].first, bands[1].second - bands[1].first);
    EXPECT_EQ(p.image.copy(left, bands[0].first, width, height),
        p.image.copy(left, bands[1].first, width, height));
    h.resizeBoardTo(1600, 900);
    EXPECT_GT(w.boardWidget().moveListRows(), LandscapeMoveList::kRows);
}

QImage boardImage(WindowHarness& h)
{
    return h.window().boardWidget().grab().toImage().convertToFormat(QImage::Format_ARGB32);
}

QImage squareImage(WindowHarness& h, const QImage& board, std::string_view square)
{
    const auto area = h.window().boardView().squareRect(squareFromText(square));
    return board.copy(h.window().boardWidget().transform().toDevice(*area));
}

// Pearson correlation of the grey levels of two images over the pixels where they differ.
struct Covered {
    int pixels = 0;
    double correlation = 0;
};
Covered coveredPixels(const QImage& under, const QImage& over)
{
    double n = 0, sa = 0, sb = 0, saa = 0, sbb = 0, sab = 0;
    for (int y = 0; y < under.height(); ++y)
        for (int x = 0; x < under.width(); ++x) {
            const QRgb a = under.pixel(x, y), b = over.pixel(x, y);
            if (a == b)
                continue;
            const double ga = qGray(a), gb = qGray(b);
            n += 1;
            sa += ga, sb += gb, saa += ga * ga, sbb += gb * gb, sab += ga * gb;
        }
    const double va = saa - sa * sa / n, vb = sbb - sb * sb / n;
    return { int(n), va > 0 && vb > 0 ? (sab - sa * sb / n) / std::sqrt(va * vb) : 0 };
}

// The default texture (Cherry) on 60-pixel squares, as wide as a tile of the texture.
TEST(BoardArtwork, LightSquaresShowTheirOwnGrainAndKeepItWhenRepaintedOrFlipped)
{
    WindowHarness h;
    auto& w = h.window();
    const QImage board = boardImage(h);
    EXPECT_EQ(boardImage(h), board);
    // Empty light squares of the middle, each beside the next diagonally or two files apart.
    const char* const light[] = { "b3", "c4", "d3", "e4", "f3", "g4", "h3", "a4", "b5", "c6" };
    std::vector<QImage> before;
    for (const char* square : light)
        before.push_back(squareImage(h, board, square));
    for (std::size_t i = 0; i + 1 < before.size(); ++i)
        EXPECT_GT(meanDifference(before[i], before[i + 1]), greyLevels(before[i]).spread / 3)
            << light[i] << " and " << light[i + 1];
    w.barAction(cmd::kFlipBoard)->trigger();
    ASSERT_TRUE(w.boardView().flipped());
    const QImage flipped = boardImage(h);
    for (std::size_t i = 0; i < before.size(); ++i)
        EXPECT_EQ(squareImage(h, flipped, light[i]), before[i]) << light[i];
}

TEST(BoardArtwork, TheMovedPieceShowsThroughTheLastMoveArrow)
{
    WindowHarness h;
    auto& w = h.window();
    h.play("g1 f3");
    ASSERT_FALSE(w.boardView().arrowPolygon().empty());
    // The arrow's tip lies on the square where the engine's piece landed.
    const BoardView& view = w.boardView();
    const Square landed = squareAt(view.layout(), view.arrowPolygon()[5], {}, view.flipped());
    ASSERT_NE(view.pieceShownAt(landed), kEmpty);
    const QRect area = w.boardWidget().transform().toDevice(*view.squareRect(landed));
    const QImage withArrow = boardImage(h).copy(area);
    w.boardView().setHighlightLastMove(false);
    const QImage without = boardImage(h).copy(area);
    // Under an opaque arrow the covered pixels are one colour whatever lay beneath; under a
    // tinted one they keep the light and dark of the piece.
    const Covered covered = coveredPixels(without, withArrow);
    EXPECT_GT(covered.pixels, 200) << "the arrow shows";
    EXPECT_GT(covered.correlation, 0.5);
}

// The exit sequence kills the timers outside any event loop, where deletions wait for the
// next one: a killed or replaced timer must stop at once all the same, or its callback
// runs later against a window that is gone.
TEST(QtClock, KilledReplacedAndDestroyedTimersNeverFireAgain)
{
    int killed = 0, replaced = 0, replacement = 0, destroyed = 0;
    {
        gui::QtClock clock;
        clock.startTimer(1, 1, true, [&] { ++killed; });
        clock.startTimer(2, 1, true, [&] { ++replaced; });
        clock.killTimer(1);
        clock.startTimer(2, 1, true, [&] { ++replacement; });
        WindowHarness::waitUntil([&] { return replacement >= 5; });
        EXPECT_FALSE(clock.isArmed(1));
        EXPECT_TRUE(clock.isArmed(2));
        clock.startTimer(3, 1, true, [&] { ++destroyed; });
        clock.killTimer(3);
    }
    int later = 0;
    gui::QtClock other;
    other.startTimer(1, 1, true, [&] { ++later; });
    WindowHarness::waitUntil([&] { return later >= 5; });
    EXPECT_GE(replacement, 5);
    EXPECT_GE(later, 5);
    EXPECT_EQ(killed, 0);
    EXPECT_EQ(replaced, 0);
    EXPECT_EQ(destroyed, 0);
}

} // namespace
