#include <QAbstractButton>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>

#include <gtest/gtest.h>

#include "WindowHarness.h"
#include "gui/CommentMoveDialog.h"
#include "record/CGameNode.h"

using velmorak::test::WindowHarness;
using namespace velmorak;

namespace {

TEST(CommentMoveDialog, AnnotatesTheMoveAndSaysWhenThereIsNone)
{
    WindowHarness h;
    h.window().runCommand(cmd::kCommentMove);
    EXPECT_EQ(h.messages, QStringList { "Not possible in starting position." });
    h.messages.clear();

    h.enter("e2 e4");
    ASSERT_TRUE(h.waitForWhiteToMove());
    CGameNode* answer = h.window().controller().currentNode();
    bool shown = false;
    h.whenDialogShows(QStringLiteral("Comment move"), [&](QWidget& widget) {
        shown = true;
        auto& dialog = static_cast<gui::CommentMoveDialog&>(widget);
        const QString before = dialog.moveLabel()->text();
        WindowHarness::buttonNamed(dialog, QStringLiteral("!?"))->click();
        EXPECT_EQ(dialog.moveLabel()->text(), before + QStringLiteral("!?"));
        dialog.commentField()->setPlainText(QStringLiteral("a sound reply {really}"));
        // Escape closes as OK does: nothing typed is lost.
        dialog.reject();
    });
    h.window().runCommand(cmd::kCommentMove);
    EXPECT_TRUE(shown);
    EXPECT_EQ(answer->comment(), "a sound reply {really)");
    EXPECT_EQ(answer->nag(), 5);
}

TEST(GameDetailsDialog, WritesWhatWasEditedAndKeepsTheRest)
{
    WindowHarness h;
    const std::string file = h.folder().file("odd.pgn");
    TempFolder::write(file,
        "[Event \"Club\"]\n[White \"Anna\"]\n[Black \"Ben\"]\n[Result \"+/-\"]\n[Round "
        "\"3\"]\n\n1. e4 *\n");
    h.window().openFiles({ QString::fromStdString(file) });
    CPgnGame& game = h.window().controller().game();
    ASSERT_EQ(game.white(), "Anna");

    auto run = [&](std::function<void(QWidget&)> fill, bool ok) {
        h.whenDialogShows(QStringLiteral("Game details"), [&, fill](QWidget& dialog) {
            fill(dialog);
            ok ? static_cast<QDialog&>(dialog).accept() : static_cast<QDialog&>(dialog).reject();
        });
        h.window().runCommand(cmd::kGameDetails);
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
    EXPECT_EQ(
        h.messages, QStringList { "'My Tag' cannot be a tag name: use letters, digits and '_'" });
    h.messages.clear();
    EXPECT_EQ(game.white(), "Anna");
    EXPECT_FALSE(game.hasTag("My Tag"));
}

} // namespace
