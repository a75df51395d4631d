// The rows of the Games page: the games indexed so far while a file opens, then the sorted
// list, each narrowed by a part of a player's name.
#include "present/GamesList.h"

#include <gtest/gtest.h>

#include "support/ControllerHarness.h"

namespace velmorak::test {
namespace {

std::vector<int> numbers(const GamesList& rows)
{
    std::vector<int> shown;
    for (int row = 0; row < rows.rowCount(); ++row)
        shown.push_back(rows.numberAt(row));
    return shown;
}

TEST(GamesList, RowsFollowTheIndexThenTheSortedListNarrowedByAPlayer)
{
    ControllerHarness h(std::nullopt);
    const std::string path = h.folder.file("games.pgn");
    TempFolder::write(path,
        "[White \"Zoe\"]\n[Black \"Carlsen, M.\"]\n[Event \"A\"]\n[Result \"1-0\"]\n\n1-0\n\n"
        "[White \"Adams\"]\n[Black \"Berg\"]\n[Event \"B\"]\n[Result \"0-1\"]\n\n0-1\n\n"
        "[White \"MAGNUS carlsen\"]\n[Black \"Adams\"]\n[Event \"C\"]\n[Result \"*\"]\n\n*\n");
    DatabaseSession& session = h.c().databases();
    GamesList rows(session);
    EXPECT_EQ(rows.rowCount(), 0);
    EXPECT_EQ(rows.numberAt(0), -1);

    session.beginOpen(path, false);
    rows.setQuickFilter("carlsen");
    // Read while indexing, in file order, however far the thread has come.
    do
        rows.refresh();
    while (!session.finishOpen());
    for (int number : numbers(rows))
        EXPECT_NE(number, 1) << "Adams - Berg never matched";

    rows.refresh();
    EXPECT_EQ(numbers(rows), (std::vector<int> { 0, 2 })) << "either colour, any case";
    session.sortBy(1);
    rows.refresh();
    EXPECT_EQ(numbers(rows), (std::vector<int> { 2, 0 })) << "sorted by White";
    EXPECT_EQ(rows.rowOf(0), 1);
    EXPECT_EQ(rows.rowOf(1), -1) << "Adams - Berg is filtered out";
    EXPECT_EQ(
        rows.cells(1), (std::array<std::string, 5> { "1", "Zoe", "Carlsen, M.", "A", "1-0" }));

    rows.setQuickFilter("");
    EXPECT_EQ(numbers(rows), (std::vector<int> { 1, 2, 0 }));
    rows.setQuickFilter("nobody");
    EXPECT_EQ(rows.rowCount(), 0);
}

} // namespace
} // namespace velmorak::test
