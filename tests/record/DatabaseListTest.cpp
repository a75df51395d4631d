#include "record/DatabaseList.h"

#include <fstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "record/CDatabase.h"
#include "record/CPgnParser.h"
#include "settings/RegistrySettings.h"
#include "support/MemorySettingsStore.h"
#include "support/TempFolder.h"

// Filters in the tables name only the fields they set.
#pragma GCC diagnostic ignored "-Wmissing-field-initializers"

namespace velmorak {
namespace {

struct Game {
    const char* white;
    const char* black;
    const char* date;
    const char* event;
    const char* eco;
    const char* result;
};

// Game numbers in file order: 0 .. 5.
const Game kGames[] = {
    { "Carlsen, Magnus", "Anand, V", "1990.05.01", "World Ch", "C65", "1-0" },
    { "anand, v", "Kasparov, G", "1995.??.??", "Linares", "B90", "1/2-1/2" },
    { "Kasparov, G", "Carlsen, M", "1996.01.01", "Linares", "B33", "0-1" },
    { "Zeta", "Alpha", "1992.03.04", "Open", "A00", "*" },
    { "Anand, V", "Zeta", "2000", "World Ch", "C65", "1-0" },
    { "Beta", "Gamma", "", "", "", "1/2-1/2" },
};

class DatabaseListTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        std::ofstream out(path, std::ios::binary);
        for (const Game& g : kGames)
            out << "[Event \"" << g.event << "\"]\n[Date \"" << g.date << "\"]\n[White \""
                << g.white << "\"]\n[Black \"" << g.black << "\"]\n[Result \"" << g.result
                << "\"]\n[ECO \"" << g.eco << "\"]\n\n1.e4 " << g.result << "\n\n";
        out.close();
        ASSERT_TRUE(db.open(path));
    }

    TempFolder folder;
    std::string path = folder.file("list.pgn");
    CPgnParser parser;
    CDatabase db { parser };
    MemorySettingsStore store;
    RegistrySettings settings { store };
};

TEST_F(DatabaseListTest, FiltersMatchFragmentsYearsAndResults)
{
    struct Row {
        const char* name;
        CDatabaseFilter filter;
        std::vector<int> numbers;
    } rows[] = {
        { "player either colour, any case", { .white = "ANAND" }, { 0, 1, 4 } },
        { "player as White only", { .white = "anand", .ignoreColor = false }, { 1, 4 } },
        { "both players", { .white = "carlsen", .black = "kasparov" }, { 2 } },
        { "years 1990 to 1995", { .yearFrom = "1990", .yearTo = "1995" }, { 0, 1, 3 } },
        { "year from alone", { .yearFrom = "1992" }, { 3 } },
        { "year to alone", { .yearTo = "1996" }, { 2 } },
        { "years across a century", { .yearFrom = "1999", .yearTo = "2001" }, { 4 } },
        { "event and ECO", { .event = "ch", .eco = "c6" }, { 0, 4 } },
        { "wins and draws", { .win = true, .draw = true }, { 0, 1, 4, 5 } },
        { "unfinished", { .line = true }, { 3 } },
        { "nothing", { .white = "nobody" }, {} },
    };
    for (const Row& row : rows) {
        std::vector<CDatabaseEntry> result;
        db.search(row.filter, result);
        std::vector<int> numbers;
        for (const CDatabaseEntry& entry : result)
            numbers.push_back(entry.number);
        EXPECT_EQ(numbers, row.numbers) << row.name;
    }
}

TEST_F(DatabaseListTest, YearCandidatesCountAsDecimalStrings)
{
    EXPECT_TRUE(matchesYears("2000.01.01", "1999", "2001"));
    EXPECT_TRUE(matchesYears("2001", "1999", "2001"));
    EXPECT_FALSE(matchesYears("2002", "1999", "2001"));
    EXPECT_FALSE(matchesYears("1993", "1992", "")) << "without an end one year is tried";
    EXPECT_FALSE(matchesYears("10000", "9999", "99999")) << "the carry runs off the front";
    EXPECT_TRUE(matchesYears("anything", "", ""));
}

TEST_F(DatabaseListTest, SortingByColumns)
{
    DatabaseList list(db, nullptr);
    list.resetList();
    EXPECT_EQ(list.fullOrder(), (std::vector<int> { 0, 1, 2, 3, 4, 5 }));
    list.sortBy(1);
    EXPECT_EQ(list.sortMode(), 2);
    // White: anand, v (1) and Anand, V (4) differ only in case; they follow each other.
    std::vector<int> byWhite = list.fullOrder();
    EXPECT_EQ(
        std::vector<int>(byWhite.begin() + 2, byWhite.end()), (std::vector<int> { 5, 0, 2, 3 }));
    list.sortBy(1);
    EXPECT_EQ(list.sortMode(), -2);
    EXPECT_EQ(list.fullOrder().front(), 3) << "Zeta first when descending";
    list.sortBy(2);
    EXPECT_EQ(list.sortMode(), 3);
    EXPECT_EQ(list.fullOrder(), (std::vector<int> { 3, 0, 2, 5, 1, 4 }));
    list.sortBy(0);
    list.sortBy(0);
    EXPECT_EQ(list.fullOrder(), (std::vector<int> { 5, 4, 3, 2, 1, 0 }));
}

TEST(DatabaseListSort, ManyEntriesSortByTextWithoutCaseThenByNumber)
{
    // Enough entries for the radix sort, names equal but for case, one game in three.
    TempFolder folder;
    const std::string path = folder.file("many.pgn");
    std::string text;
    const char* names[] = { "b", "A", "a", "B", "", "ab", "Ab" };
    for (int i = 0; i < 3000; ++i)
        text += std::string("[White \"") + names[(i * 7919) % 7] + "\"]\n*\n\n";
    TempFolder::write(path, text);
    CPgnParser parser;
    CDatabase db(parser);
    ASSERT_TRUE(db.open(path));
    DatabaseList list(db, nullptr);
    auto folded = [&](int number) {
        std::string name(db.getEntries()[std::size_t(number)].white());
        for (char& c : name)
            c = char(std::tolower(static_cast<unsigned char>(c)));
        return std::pair(name, number);
    };
    for (int mode : { 2, -2 }) {
        std::vector<int> order(3000);
        for (int i = 0; i < 3000; ++i)
            order[std::size_t(i)] = (i * 1237) % 3000;
        list.sortOrder(order, mode);
        for (std::size_t i = 1; i < order.size(); ++i)
            ASSERT_EQ(mode > 0, folded(order[i - 1]) < folded(order[i])) << i;
    }
}

TEST_F(DatabaseListTest, SelectionFollowsTheFilterAndWraps)
{
    DatabaseList list(db, &settings);
    list.resetList();
    // The selection after a step, "w" when the step wrapped.
    auto step = [&](int by) {
        const bool wrapped = list.stepSelection(by);
        return std::to_string(list.selected()) + (wrapped ? "w" : "");
    };
    EXPECT_EQ(list.selected(), 0);
    EXPECT_EQ(step(-1), "5w") << "back from the first wraps to the last";
    EXPECT_EQ(step(1), "0w");

    list.filter().white = "zeta";
    list.setFilterActive(true);
    list.saveFilter();
    list.refreshList();
    EXPECT_TRUE(list.filterActive());
    EXPECT_EQ(list.resultOrder(), (std::vector<int> { 3, 4 }));
    EXPECT_EQ(list.selected(), 3) << "the selection moves into the result";
    EXPECT_EQ(step(1), "4");
    EXPECT_EQ(step(1), "3w");

    list.filter().white = "nobody";
    list.saveFilter();
    list.refreshList();
    EXPECT_TRUE(list.displayOrder().empty());
    EXPECT_EQ(list.selected(), -1);
}

TEST_F(DatabaseListTest, FilterPersistsInTheSettings)
{
    DatabaseList first(db, &settings);
    first.filter() = { .white = "a",
        .black = "b",
        .ignoreColor = false,
        .yearFrom = "1990",
        .yearTo = "1999",
        .event = "e",
        .eco = "B",
        .win = true,
        .loss = true };
    first.setFilterActive(true);
    first.saveFilter();
    bool stored = true;
    ASSERT_TRUE(settings.readBool("IDC_CBIGNORECOLOR", stored));
    EXPECT_FALSE(stored);

    DatabaseList second(db, &settings);
    second.loadFilter();
    CDatabaseFilter expected = first.filter();
    expected.ignoreColor = true; // a flag stored as false keeps the value in memory
    EXPECT_EQ(second.filter(), expected);
    EXPECT_TRUE(second.filterActive());

    DatabaseList empty(db, nullptr);
    empty.loadFilter();
    EXPECT_EQ(empty.filter(), CDatabaseFilter {});
}

TEST_F(DatabaseListTest, DistinctValuesAreSortedByBytes)
{
    DatabaseList list(db, nullptr);
    DistinctValues values = list.distinctValues();
    EXPECT_EQ(values.white,
        (std::vector<std::string> {
            "Anand, V", "Beta", "Carlsen, Magnus", "Kasparov, G", "Zeta", "anand, v" }));
    EXPECT_EQ(values.event, (std::vector<std::string> { "", "Linares", "Open", "World Ch" }));
    EXPECT_EQ(values.eco.size(), 5u);
}

} // namespace
} // namespace velmorak
