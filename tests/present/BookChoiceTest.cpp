#include "present/BookChoice.h"

#include <fstream>
#include <string>

#include <gtest/gtest.h>

#include "support/ControllerHarness.h"
#include "support/ScopedEnvironment.h"

namespace velmorak::test {
namespace {

std::string fileOf(const TempFolder& folder, const char* name, std::size_t bytes)
{
    const std::string path = folder.file(name);
    std::ofstream(path, std::ios::binary) << std::string(bytes, 'A');
    return path;
}

// Which files are taken as books: each row gives a file (size in bytes, -1 for none), its
// kind, and the start of the error, empty for a book that is taken.
TEST(BookChoice, ABookIsTakenOnlyWhenItCanBeRead)
{
    struct Row {
        const char* name;
        BookKind kind;
        int bytes;
        const char* error;
    } rows[] = {
        { "a.kbk", BookKind::Program, 4, "" },
        { "b.kbk", BookKind::Program, 0, "the book " },
        { "c.kbk", BookKind::Program, 5, "the book " },
        { "d.bin", BookKind::Engine, 32, "" },
        { "e.bin", BookKind::Engine, 30, "the book " },
        { "f.bin", BookKind::Engine, -1, "cannot open" },
    };
    for (const Row& row : rows) {
        ControllerHarness h(std::nullopt);
        h.store.values.erase(std::string(kBookFileSetting));
        const std::string path =
            row.bytes < 0 ? h.folder.file(row.name) : fileOf(h.folder, row.name, row.bytes);
        BookChoice choice(h.c(), h.settings);
        h.options.guiBook = row.kind == BookKind::Engine;
        Status chosen = choice.choose(row.kind, path);
        std::string stored = "(none)";
        h.settings.readString(bookKindTexts(row.kind).setting, stored);
        if (*row.error == '\0') {
            EXPECT_TRUE(chosen) << row.name;
            EXPECT_EQ(stored, path) << row.name;
            EXPECT_EQ(h.options.guiBook, row.kind == BookKind::Program) << row.name;
            EXPECT_EQ(choice.shownName(row.kind), std::string(row.name, 1)) << row.name;
        } else {
            ASSERT_FALSE(chosen) << row.name;
            EXPECT_EQ(chosen.error().message.rfind(row.error, 0), 0u) << chosen.error().message;
            EXPECT_EQ(stored, "(none)") << row.name << ": nothing changes";
            EXPECT_EQ(h.options.guiBook, row.kind == BookKind::Engine) << row.name;
        }
    }
}

TEST(BookChoice, TheNamesShowTheBookInUseAndTheModeIsStored)
{
    ControllerHarness h(std::nullopt);
    h.store.values.erase(std::string(kBookFileSetting));
    ScopedEnvironment documents("VELMORAK_DOCUMENTS", h.folder.path());
    BookChoice choice(h.c(), h.settings);
    const std::string shown = choice.shownName(BookKind::Program);
    EXPECT_EQ(shown.rfind("vmbook (cannot be read: ", 0), 0u)
        << shown << ": without a setting the default book is the one in use";
    fileOf(h.folder, "vmbook.kbk", 2);
    EXPECT_EQ(choice.shownName(BookKind::Program), "vmbook");
    choice.clear(BookKind::Program);
    EXPECT_EQ(choice.shownName(BookKind::Program), "none");

    choice.setMode(1);
    choice.setMode(4);
    EXPECT_EQ(choice.mode(), 1) << "no mode beyond Random";
    int stored = -1;
    h.settings.readInt("IDC_CBBOOKMODE", stored);
    EXPECT_EQ(stored, 1);
}

} // namespace
} // namespace velmorak::test
