// The window's dialogs, each run from its command as a user runs it.
#include <QAbstractButton>
#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QComboBox>
#include <QCoreApplication>
#include <QDialog>
#include <QDialogButtonBox>
#include <QFile>
#include <QGuiApplication>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QTabWidget>
#include <QTableView>
#include <QTest>
#include <QToolButton>
#include <fstream>

#include <gtest/gtest.h>

#include "WindowHarness.h"
#include "engine/BookSettings.h"
#include "gui/ChessDialog.h"
#include "gui/CommentMoveDialog.h"
#include "gui/DatabaseDialog.h"
#include "gui/DialogGallery.h"
#include "gui/Manual.h"
#include "gui/MovesDialog.h"
#include "gui/OptionsDialog.h"
#include "gui/SaveGameDialog.h"
#include "gui/SetupBoardWidget.h"
#include "present/CommandTable.h"
#include "present/SetupEditor.h"
#include "record/CGameNode.h"
#include "support/PgnFiles.h"

using velmorak::test::WindowHarness;
using namespace velmorak;

namespace {

// The manual anchors asked for while it lives, instead of a browser.
struct ManualRecorder {
    ManualRecorder()
    {
        gui::setManualOpener([this](const QUrl& url) {
            asked << url.fragment();
            return true;
        });
    }
    ~ManualRecorder() { gui::setManualOpener({}); }
    QStringList asked;
};

TEST(Dialogs, EachHoldsTheGameStillAndOpensItsOwnPageOfTheManual)
{
    WindowHarness h;
    h.play("e2 e4"); // a move to comment
    ManualRecorder manual;
    QFile page(VELMORAK_BIN_DIR "/Velmorak.htm");
    ASSERT_TRUE(page.open(QIODevice::ReadOnly));
    const QByteArray html = page.readAll();
    for (std::string_view name : gui::dialogNames()) {
        SCOPED_TRACE(std::string(name));
        std::unique_ptr<gui::ChessDialog> dialog = gui::makeDialog(name, h.window());
        ASSERT_NE(dialog, nullptr);
        EXPECT_TRUE(h.window().controller().dialogOpen());
        const QString anchor = QString::fromStdString(dialog->helpAnchor()).section(u'#', 1);
        EXPECT_TRUE(html.contains(("id=\"" + anchor + "\"").toUtf8())) << anchor.toStdString();

        dialog->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(dialog.get()));
        dialog->buttons()->button(QDialogButtonBox::Help)->click();
        QTest::keyClick(dialog.get(), Qt::Key_F1);
        EXPECT_EQ(manual.asked, (QStringList { anchor, anchor }));
        manual.asked.clear();
        dialog.reset();
        EXPECT_FALSE(h.window().controller().dialogOpen());
    }
    EXPECT_EQ(gui::makeDialog("no such dialog", h.window()), nullptr);
}

TEST(Dialogs, AboutTellsTheEngineAndTheBook)
{
    WindowHarness h;
    h.runDialog(cmd::kAbout, QStringLiteral("Velmorak"), [&](QWidget& dialog) {
        const auto* text = dialog.findChild<QLabel*>(QStringLiteral("aboutText"));
        ASSERT_NE(text, nullptr);
        EXPECT_TRUE(text->text().contains(
            QString::fromStdString("Chessengine " + h.window().application().host().engineName())));
        static_cast<QDialog&>(dialog).accept();
    });
}

// The window with a game of a main line and one variation, at its end (1... Nc6).
struct MovesFixture {
    MovesFixture()
    {
        h.openFile("lines.pgn", "[White \"Anna\"]\n1. e4 e5 (1... c5 2. Nf3) 2. Nf3 Nc6 *\n");
    }
    // Runs the dialog from its command; `act` works in it before it is closed by `close`.
    void run(std::function<void(gui::MovesDialog&)> act, bool ok)
    {
        h.runDialog(cmd::kGameMoves, QStringLiteral("Moves"), [&](QWidget& widget) {
            auto& dialog = static_cast<gui::MovesDialog&>(widget);
            act(dialog);
            ok ? dialog.accept() : dialog.reject();
        });
    }
    QString selection(gui::MovesDialog& dialog)
    {
        // A line break inside the selection reads as the space it stands for.
        return dialog.textView()->textCursor().selectedText().replace(
            QChar::ParagraphSeparator, u' ');
    }
    WindowHarness h;
};

TEST(MovesDialog, ShowsTheCurrentMoveAndOkGoesToTheOneSelected)
{
    MovesFixture f;
    CGameNode* e5 = f.h.window().controller().game().root()->child(0)->child(0);
    f.run(
        [&](gui::MovesDialog& dialog) {
            EXPECT_EQ(f.selection(dialog), QStringLiteral("Nc6"));
            QTest::keyClick(dialog.textView(), Qt::Key_Left);
            EXPECT_EQ(f.selection(dialog), QStringLiteral("2. Nf3"));
            // Reading order: the variation's moves come between e5 and 2. Nf3.
            QTest::keyClick(dialog.textView(), Qt::Key_Left);
            EXPECT_EQ(f.selection(dialog), QStringLiteral("2. Nf3"));
            QTest::keyClick(dialog.textView(), Qt::Key_Left);
            EXPECT_EQ(f.selection(dialog), QStringLiteral("1.. c5"));
            QTest::keyClick(dialog.textView(), Qt::Key_Left);
            EXPECT_EQ(f.selection(dialog), QStringLiteral("e5"));
        },
        true);
    EXPECT_EQ(f.h.window().controller().currentNode(), e5);

    // Cancel goes nowhere.
    f.run(
        [&](gui::MovesDialog& dialog) { QTest::keyClick(dialog.textView(), Qt::Key_Left); }, false);
    EXPECT_EQ(f.h.window().controller().currentNode(), e5);
}

TEST(MovesDialog, ATapSelectsTheWholeMoveAndThePartsShownAreStored)
{
    MovesFixture f;
    f.run(
        [&](gui::MovesDialog& dialog) {
            // The caret put just before the line's "2. Nf3".
            QPlainTextEdit* text = dialog.textView();
            const int at = text->toPlainText().indexOf(QStringLiteral("2. Nf3)"));
            QTextCursor cursor = text->textCursor();
            cursor.setPosition(at);
            text->setTextCursor(cursor);
            EXPECT_TRUE(WindowHarness::waitUntil(
                [&] { return f.selection(dialog) == QStringLiteral("2. Nf3"); }, 2000));
            EXPECT_EQ(text->textCursor().selectionStart(), at);

            for (auto* box : dialog.findChildren<QCheckBox*>())
                if (box->text() == QStringLiteral("&Lines"))
                    box->setChecked(false);
            EXPECT_FALSE(text->toPlainText().contains(u'('));
            EXPECT_EQ(f.selection(dialog), QStringLiteral("Nc6")) << "a move no longer shown";
        },
        false);
    EXPECT_EQ(f.h.storedInt("IDC_CBGAMEVARIATIONS"), 0);
}

TEST(CommentMoveDialog, AnnotatesTheMoveAndSaysWhenThereIsNone)
{
    WindowHarness h;
    h.window().runCommand(cmd::kCommentMove);
    EXPECT_EQ(h.takeMessages(), QStringList { "Not possible in starting position." });

    h.play("e2 e4");
    CGameNode* answer = h.window().controller().currentNode();
    h.runDialog(cmd::kCommentMove, QStringLiteral("Comment move"), [&](QWidget& widget) {
        auto& dialog = static_cast<gui::CommentMoveDialog&>(widget);
        const QString before = dialog.moveLabel()->text();
        WindowHarness::click(dialog, QStringLiteral("!?"));
        EXPECT_EQ(dialog.moveLabel()->text(), before + QStringLiteral("!?"));
        dialog.commentField()->setPlainText(QStringLiteral("a sound reply {really}"));
        // Escape closes as OK does: nothing typed is lost.
        dialog.reject();
    });
    EXPECT_EQ(answer->comment(), "a sound reply {really)");
    EXPECT_EQ(answer->nag(), 5);
}

TEST(GameDetailsDialog, WritesWhatWasEditedAndKeepsTheRest)
{
    WindowHarness h;
    h.openFile("odd.pgn",
        "[Event \"Club\"]\n[White \"Anna\"]\n[Black \"Ben\"]\n[Result \"+/-\"]\n[Round "
        "\"3\"]\n\n1. e4 *\n");
    CPgnGame& game = h.window().controller().game();
    ASSERT_EQ(game.white(), "Anna");

    auto run = [&](std::function<void(QWidget&)> fill, bool ok) {
        h.runDialog(cmd::kGameDetails, QStringLiteral("Game details"), [&](QWidget& dialog) {
            fill(dialog);
            ok ? static_cast<QDialog&>(dialog).accept() : static_cast<QDialog&>(dialog).reject();
        });
    };
    run(
        [](QWidget& dialog) {
            auto boxes = dialog.findChildren<QComboBox*>();
            boxes[1]->setEditText(QStringLiteral("Bernd"));
            QComboBox* tag = boxes[3];
            auto* value = dialog.findChildren<QLineEdit*>().back();
            EXPECT_EQ(tag->currentText(), QStringLiteral("Round"));
            EXPECT_EQ(value->text(), QStringLiteral("3"));
            tag->setEditText(QStringLiteral("Annotator"));
            value->setText(QStringLiteral("Carla"));
            emit value->textEdited(value->text());
        },
        true);
    EXPECT_EQ(game.black(), "Bernd");
    EXPECT_EQ(game.getTag("Annotator"), "Carla");
    EXPECT_EQ(game.result(), "+/-") << "a result nobody touched stays";
    EXPECT_EQ(game.getTag("Round"), "3");

    // A tag name a PGN file cannot carry is refused; Cancel writes nothing.
    run(
        [&](QWidget& dialog) {
            dialog.findChildren<QComboBox*>()[0]->setEditText(QStringLiteral("Zed"));
            dialog.findChildren<QComboBox*>()[3]->setEditText(QStringLiteral("My Tag"));
            auto* value = dialog.findChildren<QLineEdit*>().back();
            value->setText(QStringLiteral("x"));
            emit value->textEdited(value->text());
        },
        false);
    EXPECT_EQ(h.takeMessages(),
        QStringList { "'My Tag' cannot be a tag name: use letters, digits and '_'" });
    EXPECT_EQ(game.white(), "Anna");
    EXPECT_FALSE(game.hasTag("My Tag"));
}

TEST(OptionsDialog, EachChangeIsStoredAndShownAtOnceAndTheDefaultsComeBack)
{
    WindowHarness h;
    gui::MainWindow& w = h.window();
    h.runDialog(cmd::kOptions, QStringLiteral("Options"), [&](QWidget& dialog) {
        auto* legal = dialog.findChild<QCheckBox*>(QStringLiteral("IDC_CBHIGHLIGHTLEGALMOVES"));
        auto* animation = dialog.findChild<QComboBox*>(QStringLiteral("IDC_CBANIMATION"));
        auto* pieces = dialog.findChild<QComboBox*>(QStringLiteral("IDC_CBPIECESET"));
        auto* engines = dialog.findChild<QComboBox*>(QStringLiteral("IDC_CBENGINE"));
        ASSERT_TRUE(legal && animation && pieces && engines);

        legal->click();
        EXPECT_EQ(h.storedInt("IDC_CBHIGHLIGHTLEGALMOVES"), 1);
        EXPECT_TRUE(w.moveInput().options().highlightLegalMoves);

        WindowHarness::pick(*animation, 3);
        EXPECT_EQ(h.storedInt("IDC_CBANIMATION"), 3);

        WindowHarness::pick(*pieces, 5);
        EXPECT_EQ(h.storedInt("IDC_CBPIECESET"), 5);
        EXPECT_EQ(w.boardWidget().artwork().pieceSet(), 5);
        auto* preview = static_cast<gui::OptionsDialog&>(dialog).preview();
        ASSERT_NE(preview, nullptr);
        EXPECT_EQ(preview->artwork().pieceSet(), 5);

        // The other engine: the title names it (its loading is the option sheet's test).
        const int other = engines->currentIndex() == 0 ? 1 : 0;
        ASSERT_GT(engines->count(), 1);
        const std::string name = engines->itemText(other).toStdString();
        WindowHarness::pick(*engines, other);
        EXPECT_TRUE(w.windowTitle().contains(QString::fromStdString(name))) << name;
        // The pages are made again for the new engine's own settings.
        QCoreApplication::processEvents();
        legal = dialog.findChild<QCheckBox*>(QStringLiteral("IDC_CBHIGHLIGHTLEGALMOVES"));
        pieces = dialog.findChild<QComboBox*>(QStringLiteral("IDC_CBPIECESET"));
        ASSERT_TRUE(legal && pieces && legal->isChecked());
        EXPECT_EQ(dialog.findChild<QWidget*>(QStringLiteral("Skill Level")) != nullptr,
            !w.application().host().parameters().empty());

        static_cast<gui::ChessDialog&>(dialog)
            .buttons()
            ->button(QDialogButtonBox::RestoreDefaults)
            ->click();
        EXPECT_FALSE(legal->isChecked());
        EXPECT_EQ(pieces->currentIndex(), 0);
        EXPECT_EQ(w.boardWidget().artwork().pieceSet(), 0);
        EXPECT_EQ(h.storedInt("IDC_CBANIMATION"), 2);
        EXPECT_EQ(h.storedString("IDC_CBENGINE"), "");
        static_cast<QDialog&>(dialog).reject();
    });
    EXPECT_FALSE(w.controller().dialogOpen());
}

// Picks a predefined entry of a page as a click in its list does, sets "Lose on time" and
// closes the sheet with `button`.
void fill(
    QWidget& dialog, int page, int entry, bool loseOnTime, QDialogButtonBox::StandardButton button)
{
    auto* tabs = dialog.findChild<QTabWidget*>();
    tabs->setCurrentIndex(page);
    auto* combo = tabs->widget(page)->findChild<QComboBox*>(QStringLiteral("predefined"));
    WindowHarness::pick(*combo, entry);
    dialog.findChild<QCheckBox*>(QStringLiteral("loseOnTime"))->setChecked(loseOnTime);
    dialog.findChild<QDialogButtonBox*>()->button(button)->click();
}

TEST(LevelsDialog, OkGivesTheControllerTheLevelAndStoresItCancelChangesNothing)
{
    WindowHarness h;
    GameController& c = h.window().controller();
    h.runDialog(cmd::kLevels, QStringLiteral("Velmorak"),
        [](QWidget& dialog) { fill(dialog, 1, 13, true, QDialogButtonBox::Ok); }); // 3+2
    EXPECT_EQ(levelText(c.level()), "Level 3min+2sec");
    EXPECT_TRUE(c.loseOnTime());
    EXPECT_EQ(h.storedInt(kLevelBlitzSecondsSetting), 180);
    EXPECT_EQ(h.storedInt(kLevelBlitzIncrementSetting), 2);
    EXPECT_EQ(h.storedInt(kLoseOnTimeSetting), 1);

    const LevelRecord before = c.level();
    h.runDialog(cmd::kLevels, QStringLiteral("Velmorak"),
        [](QWidget& dialog) { fill(dialog, 2, 0, false, QDialogButtonBox::Cancel); }); // Novice
    EXPECT_EQ(c.level(), before);
    EXPECT_TRUE(c.loseOnTime());
    EXPECT_EQ(h.storedInt(kLevelModeSetting), kBlitzLevel);
}

TEST(BookDialog, ChosenBooksAndTheModeAreStoredAtOnceAnUnreadableOneIsRefused)
{
    WindowHarness h;
    const std::string book = VELMORAK_BIN_DIR "/vmbook.kbk";
    const std::string empty = h.folder().file("empty.kbk");
    std::ofstream { empty };
    AppSettings& options = h.window().controller().options();
    options.guiBook = false;
    h.runDialog(cmd::kSelectBook, QStringLiteral("Select book"), [&](QWidget& dialog) {
        auto choose = [&](const std::string& path) {
            h.whenDialogShows(QStringLiteral("Select openingbook"),
                [path](QWidget& chooser) { WindowHarness::chooseFile(chooser, path); });
            WindowHarness::click(dialog, "&Choose...");
        };
        choose(book);
        EXPECT_EQ(h.storedString(kBookFileSetting), book);
        EXPECT_TRUE(options.guiBook) << "the program plays from its own book";
        EXPECT_EQ(dialog.findChild<QLabel*>(QStringLiteral("programBook"))->text(), "vmbook");
        choose(empty);
        EXPECT_EQ(h.storedString(kBookFileSetting), book) << "an unreadable book changes nothing";
        const QStringList said = h.takeMessages();
        EXPECT_TRUE(said.size() == 1 && said[0].contains("is empty"))
            << said.join('|').toStdString();
        WindowHarness::click(dialog, "No boo&k");
        EXPECT_EQ(h.storedString(kEngineBookFileSetting), "");
        EXPECT_EQ(dialog.findChild<QLabel*>(QStringLiteral("engineBook"))->text(), "none");
        WindowHarness::pick(*dialog.findChild<QComboBox*>(QStringLiteral("bookMode")), 3);
        static_cast<QDialog&>(dialog).reject();
    });
    EXPECT_EQ(h.storedInt("IDC_CBBOOKMODE"), 3);
}

TEST(LineDialogs, AddLineDeletesLinesAndStoresItsDefaultSelectLineFollowsTheTappedLine)
{
    WindowHarness h;
    GameController& c = h.window().controller();
    h.play("e2 e4");
    c.backToStart();
    h.whenDialogShows(QStringLiteral("Add line"), [&](QWidget& dialog) {
        EXPECT_TRUE(c.dialogOpen()) << "the game stands still";
        EXPECT_EQ(static_cast<gui::ChessDialog&>(dialog).helpAnchor(), "Velmorak.htm#AddLine");
        WindowHarness::click(dialog, "&Delete selected");
        EXPECT_EQ(h.takeMessages(), QStringList { "Select a line first!" });
        dialog.findChild<QListWidget*>()->setCurrentRow(0);
        WindowHarness::click(dialog, "&Delete selected");
        WindowHarness::pick(*dialog.findChild<QComboBox*>(QStringLiteral("defaultMode")),
            int(VariationMode::AddLine));
        WindowHarness::click(dialog, "Add &main line");
    });
    h.play("d2 d4");
    ASSERT_EQ(c.game().root()->childCount(), 1) << "e4 was deleted";
    EXPECT_EQ(h.storedInt(kVariationModeOption), int(VariationMode::AddLine));

    // The new default adds c4 beside d4 unasked; Forward then asks which line to follow.
    c.backToStart();
    h.play("c2 c4");
    c.backToStart();
    h.whenDialogShows(QStringLiteral("Select line"), [](QWidget& dialog) {
        auto* lines = dialog.findChild<QListWidget*>();
        lines->setCurrentRow(1);
        emit lines->itemClicked(lines->item(1));
    });
    c.forwardMove();
    EXPECT_EQ(c.currentNode()->san(), "c4");
}

TEST(SaveGameDialog, ANewDatabaseThenTheCurrentOneThenAReplace)
{
    WindowHarness h;
    h.answerOk = true;
    h.play("e2 e4");
    const std::string file = h.folder().file("mine.pgn");

    // Runs the dialog from its command, presses `press` and answers the dialogs it opens.
    auto save = [&](const QString& press, bool expectCurrent) {
        h.runDialog(cmd::kSaveGame, QStringLiteral("Save game"), [&](QWidget& widget) {
            auto& dialog = static_cast<gui::SaveGameDialog&>(widget);
            EXPECT_EQ(dialog.currentButton()->isVisible(), expectCurrent);
            EXPECT_EQ(dialog.replaceButton()->isVisible(), expectCurrent);
            h.whenDialogShows(QStringLiteral("New database"),
                [&](QWidget& files) { WindowHarness::chooseFile(files, file); });
            h.whenDialogShows(QStringLiteral("Game details"),
                [](QWidget& details) { QMetaObject::invokeMethod(&details, "accept"); });
            WindowHarness::click(dialog, press);
            // A save closes the dialog; a dialog still open is closed here.
            if (dialog.isVisible())
                dialog.reject();
        });
    };
    save(QStringLiteral("&New database"), false);
    EXPECT_EQ(readableGames(file), 1);

    // Opened, it is the current database, its first game selected.
    h.whenDialogShows(QStringLiteral("Select database"),
        [&](QWidget& files) { WindowHarness::chooseFile(files, file); });
    h.window().runCommand(cmd::kSelectDatabase);
    ASSERT_TRUE(h.window().controller().databases().isOpen());
    save(QStringLiteral("mine.pgn"), true);
    EXPECT_EQ(readableGames(file), 2);
    save(QStringLiteral("Replace game in mine.pgn"), true);
    EXPECT_EQ(readableGames(file), 2) << "replaced, not added";
    const QStringList asked = h.takeMessages();
    ASSERT_EQ(asked.size(), 1);
    EXPECT_TRUE(asked[0].startsWith(QStringLiteral("Replace game 1 (root - Velmorak")))
        << asked[0].toStdString();
}

QString cell(const QTableView& table, int row, int column)
{
    return table.model()->index(row, column).data().toString();
}

// The real 111k-game file, opened by the sheet from the most recent database setting (it is
// only read): the list fills while the file is indexed, then sorts, narrows and loads.
TEST(DatabaseDialog, TheRealFileScrollsSortsNarrowsByPlayerAndLoadsTheChosenGame)
{
    WindowHarness h;
    RegistrySettings& settings = h.window().application().settings();
    settings.writeString(kMostRecentDatabaseSetting, VELMORAK_DATA_DIR "/pgn/masters-111k.pgn");
    QString white;
    h.runDialog(cmd::kLoadGame, QStringLiteral("Velmorak"), [&](QWidget& widget) {
        auto& sheet = dynamic_cast<gui::DatabaseDialog&>(widget);
        QTableView& table = *sheet.gamesView();
        ASSERT_TRUE(h.waitUntil([&] { return !sheet.progressBar()->isVisible(); }, 30000));
        EXPECT_GT(table.model()->rowCount(), 100000);
        table.scrollToBottom();
        EXPECT_EQ(cell(table, table.model()->rowCount() - 1, 0).toInt(), table.model()->rowCount());

        emit table.horizontalHeader()->sectionClicked(1);
        for (int row = 0; row < 50; ++row)
            EXPECT_LE(
                QString::compare(cell(table, row, 1), cell(table, row + 1, 1), Qt::CaseInsensitive),
                0)
                << row;
        sheet.playerFilter()->setText(QStringLiteral("kasparov"));
        ASSERT_GT(table.model()->rowCount(), 10);
        for (int row = 0; row < table.model()->rowCount(); ++row)
            ASSERT_TRUE((cell(table, row, 1) + cell(table, row, 2))
                            .contains(QStringLiteral("kasparov"), Qt::CaseInsensitive))
                << row;

        // Delete asks first, naming the game; the harness answers No.
        table.selectRow(1);
        QKeyEvent del(QEvent::KeyPress, Qt::Key_Delete, Qt::NoModifier);
        QApplication::sendEvent(&table, &del);
        const QStringList asked = h.takeMessages();
        EXPECT_TRUE(asked.size() == 1 &&
            asked[0].startsWith(QStringLiteral("Delete game %1 (").arg(cell(table, 1, 0))));

        table.setColumnWidth(1, 123);
        white = cell(table, 1, 1);
        QKeyEvent enter(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier);
        QApplication::sendEvent(&table, &enter);
    });
    EXPECT_EQ(QString::fromStdString(h.window().controller().game().white()), white);
    std::string widths;
    settings.readString("IDC_GAMESLIST", widths);
    EXPECT_NE(widths.find(",123,"), std::string::npos) << widths;

    // Close leaves the game on the board; the sheet keeps the order chosen.
    h.runDialog(cmd::kLoadGame, QStringLiteral("Velmorak"), [](QWidget& sheet) {
        EXPECT_EQ(dynamic_cast<gui::DatabaseDialog&>(sheet)
                      .gamesView()
                      ->horizontalHeader()
                      ->sortIndicatorSection(),
            1);
        static_cast<QDialog&>(sheet).reject();
    });
    EXPECT_EQ(QString::fromStdString(h.window().controller().game().white()), white);
}

const QString kSetup = QStringLiteral("Setup board");
const QString kDetails = QStringLiteral("Setup details");

template <class T> T& child(QWidget& parent, const char* name)
{
    T* found = parent.findChild<T*>(QString::fromLatin1(name));
    EXPECT_NE(found, nullptr) << name;
    return *found;
}

QPoint at(gui::SetupBoardWidget& board, const char* square)
{
    return board.centreOf(squareFromText(square));
}

void ok(QWidget& dialog)
{
    dialog.findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Ok)->click();
}

// OK on the board, which closes it once the position and its details passed.
void accept(QWidget& dialog)
{
    ok(dialog);
    EXPECT_FALSE(dialog.isVisible());
    if (dialog.isVisible())
        static_cast<QDialog&>(dialog).reject();
}

TEST(SetupDialog, PlacesMovesAndRemovesMenThenStartsTheGame)
{
    WindowHarness h;
    h.whenDialogShows(kDetails, [&](QWidget& dialog) {
        EXPECT_FALSE(child<QCheckBox>(dialog, "whiteShort").isEnabled());
        child<QRadioButton>(dialog, "black").click();
        child<QSpinBox>(dialog, "moveNumber").setValue(30);
        QTest::keyClick(&dialog, Qt::Key_Return);
    });
    h.runDialog(cmd::kSetupBoard, kSetup, [&](QWidget& dialog) {
        auto& board = *dialog.findChild<gui::SetupBoardWidget*>();
        // A pawn makes room for a second queen.
        QTest::mouseClick(&board, Qt::RightButton, {}, at(board, "d7"));
        child<QToolButton>(dialog, "black_queen").click();
        QTest::mouseClick(&board, Qt::LeftButton, {}, at(board, "d4"));
        QTest::mouseClick(&board, Qt::RightButton, {}, at(board, "e2"));
        QTest::mousePress(&board, Qt::LeftButton, {}, at(board, "g1"));
        QTest::mouseMove(&board, at(board, "g2"));
        QTest::mouseMove(&board, at(board, "f3"));
        QTest::mouseRelease(&board, Qt::LeftButton, {}, at(board, "f3"));
        // The king leaves home, and white's castling rights with it.
        QTest::mousePress(&board, Qt::LeftButton, {}, at(board, "e1"));
        QTest::mouseMove(&board, at(board, "e2"));
        QTest::mouseRelease(&board, Qt::LeftButton, {}, at(board, "e2"));
        accept(dialog);
    });
    EXPECT_EQ(h.fen(), "rnbqkbnr/ppp1pppp/8/8/3q4/5N2/PPPPKPPP/RNBQ1B1R b kq - 0 30");
    EXPECT_EQ(h.window().controller().game().getTag("FEN"), h.fen());
}

TEST(SetupDialog, IllegalBoardStaysOpenAndCancelLeavesTheGame)
{
    WindowHarness h;
    const std::string before = h.fen();
    bool detailsShown = false;
    h.whenDialogShows(kDetails, [&](QWidget& dialog) {
        detailsShown = true;
        static_cast<QDialog&>(dialog).reject();
    });
    h.runDialog(cmd::kSetupBoard, kSetup, [&](QWidget& dialog) {
        child<QPushButton>(dialog, "clear").click();
        ok(dialog);
        EXPECT_TRUE(dialog.isVisible());
        EXPECT_EQ(h.takeMessages(), QStringList { QString::fromUtf8(kIllegalPositionText.data()) });
        child<QPushButton>(dialog, "startPosition").click();
        QTest::keyClick(&dialog, Qt::Key_Escape);
    });
    EXPECT_FALSE(detailsShown);
    EXPECT_EQ(h.fen(), before);
}

TEST(SetupDialog, DetailsCancelStillInstallsTheBoard)
{
    WindowHarness h;
    h.whenDialogShows(kDetails, [&](QWidget& dialog) {
        child<QComboBox>(dialog, "enPassant").setCurrentIndex(3);
        QTest::keyClick(&dialog, Qt::Key_Escape);
    });
    h.runDialog(cmd::kSetupBoard, kSetup, [&](QWidget& dialog) {
        auto& board = *dialog.findChild<gui::SetupBoardWidget*>();
        QTest::mouseClick(&board, Qt::RightButton, {}, at(board, "a2"));
        // By keys: the frame follows the last click (a2); a white knight goes one square up.
        QTest::keyClick(&board, 'N');
        QTest::keyClick(&board, Qt::Key_Up);
        QTest::keyClick(&board, Qt::Key_Space);
        accept(dialog);
    });
    EXPECT_EQ(h.fen(), "rnbqkbnr/pppppppp/8/8/8/N7/1PPPPPPP/RNBQKBNR w KQkq - 0 1");
}

TEST(SetupDialog, GameAndPositionGoThroughTheClipboard)
{
    WindowHarness h;
    h.play("e2 e4");
    auto& w = h.window();
    QClipboard* clipboard = QGuiApplication::clipboard();
    QTest::keySequence(&w.boardWidget(), QKeySequence("Ctrl+Shift+C"));
    const QString position = clipboard->text();
    EXPECT_EQ(position.toStdString(), h.fen());
    QTest::keySequence(&w.boardWidget(), QKeySequence("Ctrl+C"));
    const QString pgn = clipboard->text();
    EXPECT_TRUE(pgn.contains(QStringLiteral("1. e4"))) << pgn.toStdString();

    w.controller().newGame(false);
    QTest::keySequence(&w.boardWidget(), QKeySequence("Ctrl+V"));
    EXPECT_EQ(h.fen(), position.toStdString());
}

} // namespace
