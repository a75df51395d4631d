#include <QCheckBox>
#include <QClipboard>
#include <QComboBox>
#include <QDialog>
#include <QDialogButtonBox>
#include <QGuiApplication>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QTest>
#include <QToolButton>

#include <gtest/gtest.h>

#include "WindowHarness.h"
#include "gui/SetupBoardWidget.h"
#include "present/CommandTable.h"
#include "present/SetupEditor.h"

using velmorak::test::WindowHarness;
using namespace velmorak;

namespace {

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

    clipboard->setText(QStringLiteral("no chess here"));
    w.runCommand(cmd::kPaste);
    const QStringList said = h.takeMessages();
    EXPECT_TRUE(said.size() == 1 && said[0].startsWith(QStringLiteral("Nothing to paste")));
    EXPECT_EQ(h.fen(), position.toStdString());
}

} // namespace
