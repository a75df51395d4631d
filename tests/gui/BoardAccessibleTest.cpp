#include "gui/BoardAccessible.h"

#include <QAccessible>
#include <QAccessibleActionInterface>
#include <QAction>
#include <QApplication>
#include <algorithm>
#include <memory>
#include <utility>
#include <vector>

#include <gtest/gtest.h>

#include "WindowHarness.h"
#include "present/SpokenStatus.h"

using velmorak::test::WindowHarness;
using namespace velmorak;
using namespace velmorak::gui;

namespace {

// The window with legal targets marked and no engine answer, read through its accessible board.
class StartedWindow : public WindowHarness {
public:
    // Layout 8 is portrait's toggled layout, the one with the buttons.
    explicit StartedWindow(int layout)
        : WindowHarness(
              { .settings = { { "IDC_CBHIGHLIGHTLEGALMOVES", 1 }, { "IDC_CBAUTOANSWER", 0 } } })
    {
        if (layout == 8)
            window().runCommand(cmd::kToggleLayout);
        EXPECT_EQ(window().boardView().layoutIndex(), layout);
    }

    QAccessibleInterface* board()
    {
        return QAccessible::queryAccessibleInterface(&window().boardWidget());
    }
    QAccessibleInterface* square(std::string_view text)
    {
        return board()->child(
            BoardAccessible::indexOfSquare(squareFromText(text), window().boardView().flipped()));
    }
    QString name(std::string_view text) { return square(text)->text(QAccessible::Name); }
    void press(std::string_view text)
    {
        square(text)->actionInterface()->doAction(QAccessibleActionInterface::pressAction());
    }
};

// What a hit test at the centre of `part` finds.
QAccessibleInterface* hitAtCentre(QAccessibleInterface* board, QAccessibleInterface* part)
{
    return board->childAt(part->rect().center().x(), part->rect().center().y());
}

TEST(BoardAccessible, SquaresAreReadFromTheTopLeftSquareAsDrawn)
{
    const struct {
        const char* name;
        bool flipped;
        std::vector<std::pair<int, const char*>> children;
    } rows[] = {
        { "white at the bottom", false,
            { { 0, "a8, black rook" }, { 4, "e8, black king" }, { 36, "e4, empty" },
                { 52, "e2, white pawn" }, { 63, "h1, white rook" } } },
        { "black at the bottom", true,
            { { 0, "h1, white rook" }, { 3, "e1, white king" }, { 27, "e4, empty" },
                { 63, "a8, black rook" } } },
    };
    StartedWindow started(7);
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        if (started.window().boardView().flipped() != row.flipped)
            started.window().runCommand(cmd::kFlipBoard);
        QAccessibleInterface* board = started.board();
        ASSERT_NE(dynamic_cast<BoardAccessible*>(board), nullptr);
        for (const auto& [index, name] : row.children)
            EXPECT_EQ(board->child(index)->text(QAccessible::Name), QString::fromLatin1(name));
        // Each square lies where it is drawn: right of its left neighbour, and a hit test at
        // its centre finds it again.
        for (int index = 0; index < 64; ++index) {
            QAccessibleInterface* part = board->child(index);
            EXPECT_EQ(board->indexOfChild(part), index);
            EXPECT_EQ(hitAtCentre(board, part), part) << index;
            if (index % 8 != 0) {
                EXPECT_GT(part->rect().left(), board->child(index - 1)->rect().left()) << index;
            }
        }
    }
}

TEST(BoardAccessible, LayoutButtonsFollowTheSquaresWhereTheLayoutDrawsThem)
{
    StartedWindow framed(8);
    QAccessibleInterface* board = framed.board();
    const int ownChildren = int(framed.window()
                                    .boardWidget()
                                    .findChildren<QWidget*>(QString(), Qt::FindDirectChildrenOnly)
                                    .size());
    constexpr int kPanelTexts = 3;
    ASSERT_EQ(board->childCount(), 64 + kLayoutButtonCount + kPanelTexts + ownChildren);
    EXPECT_EQ(board->child(64)->text(QAccessible::Name), QStringLiteral("New game"));
    for (int index = 64; index < 64 + kLayoutButtonCount; ++index) {
        QAccessibleInterface* button = board->child(index);
        EXPECT_EQ(button->role(), QAccessible::Button);
        EXPECT_FALSE(button->text(QAccessible::Name).isEmpty()) << index;
        EXPECT_FALSE(button->text(QAccessible::Name).startsWith(QStringLiteral("~~"))) << index;
        EXPECT_EQ(hitAtCentre(board, button), button) << index;
        // Shown and run as the menu item of its command is.
        const int command = layoutButtonAction(kFirstLayoutButton + index - 64, false)->command;
        const QAction* item = framed.window().action(command);
        ASSERT_TRUE(item) << index;
        EXPECT_EQ(button->state().disabled, !item->isEnabled()) << index;
    }
    EXPECT_FALSE(board->child(66)->state().disabled) << "Load game";

    framed.window().runCommand(cmd::kToggleLayout);
    ASSERT_EQ(framed.window().boardView().layoutIndex(), 7);
    EXPECT_EQ(framed.board()->childCount(), 64 + kPanelTexts + ownChildren) << "layout 7";
}

TEST(BoardAccessible, StatusLinesAndClocksAreReadAsText)
{
    StartedWindow started(7);
    BoardWidget& widget = started.window().boardWidget();
    const StatusLines lines = widget.panelContent().lines;
    ASSERT_FALSE(lines.first.empty());
    const QString expected[] = { QString::fromStdString(lines.first),
        QString::fromStdString(lines.second),
        QString::fromStdString(spokenClocks(started.window().controller().clocks())) };
    QAccessibleInterface* board = started.board();
    for (int part = 0; part < 3; ++part) {
        QAccessibleInterface* text = board->child(64 + part);
        EXPECT_EQ(text->role(), QAccessible::StaticText) << part;
        EXPECT_EQ(text->text(QAccessible::Name), expected[part]) << part;
        EXPECT_EQ(board->indexOfChild(text), 64 + part);
        EXPECT_EQ(hitAtCentre(board, text), text) << part;
    }
}

std::vector<std::pair<QAccessible::Event, QString>> g_events;

TEST(BoardAccessible, TapsAndMovesRenameTheirSquaresAndAreAnnounced)
{
    StartedWindow started(7);
    ASSERT_NE(started.board(), nullptr);
    const auto previous = BoardAccessible::setAnnouncer([](QAccessibleEvent* event) {
        QAccessibleInterface* part = event->accessibleInterface();
        g_events.emplace_back(event->type(), part ? part->text(QAccessible::Name) : QString());
    });

    started.press("g1");
    EXPECT_TRUE(started.square("g1")->state().selected);
    // Targets are marked while the pen holds a piece.
    started.window().boardView().markTargets(squareFromText("g1"));
    EXPECT_EQ(started.name("f3"), QStringLiteral("f3, empty, legal target"));
    EXPECT_EQ(started.name("e4"), QStringLiteral("e4, empty"));
    started.window().boardView().clearTargetMarks();
    started.press("f3");
    EXPECT_EQ(started.name("f3"), QStringLiteral("f3, white knight"));
    EXPECT_EQ(started.name("g1"), QStringLiteral("g1, empty"));
    EXPECT_EQ(started.name("h3"), QStringLiteral("h3, empty"));
    EXPECT_FALSE(started.square("g1")->state().selected);
    const QString description = started.board()->text(QAccessible::Description);
    EXPECT_TRUE(description.contains(QStringLiteral("1.Nf3"))) << description.toStdString();
    EXPECT_TRUE(description.contains(QStringLiteral("Black to move"))) << description.toStdString();

    QApplication::processEvents();
    BoardAccessible::setAnnouncer(previous);
    auto renamed = [](const char* name) {
        return std::ranges::count(g_events, std::pair { QAccessible::NameChanged, QString(name) });
    };
    EXPECT_GT(renamed("f3, white knight"), 0);
    EXPECT_GT(renamed("g1, empty"), 0);
    EXPECT_EQ(renamed("e4, empty"), 0);
}

} // namespace
