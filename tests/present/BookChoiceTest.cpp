#include "present/BookChoice.h"

#include <fstream>

#include <gtest/gtest.h>

#include "support/ControllerHarness.h"
#include "support/ScopedEnvironment.h"

namespace velmorak::test {
namespace {

// Each row offers a file of so many bytes (-1: none) as a book; the error's start, or "" when
// it is taken. A refused file changes nothing; a taken one decides who plays book moves.
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
        const std::string path = h.folder.file(row.name);
        if (row.bytes >= 0)
            std::ofstream(path) << std::string(std::size_t(row.bytes), 'A');
        BookChoice choice(h.c(), h.settings);
        h.options.guiBook = row.kind == BookKind::Engine;
        Status chosen = choice.choose(row.kind, path);
        std::string stored = "(none)";
        h.settings.readString(bookKindTexts(row.kind).setting, stored);
        const bool taken = *row.error == '\0';
        EXPECT_EQ(bool(chosen), taken) << row.name;
        EXPECT_EQ(stored, taken ? path : "(none)") << row.name;
        EXPECT_EQ(h.options.guiBook, (row.kind == BookKind::Program) == taken) << row.name;
        if (!taken) {
            EXPECT_EQ(chosen.error().message.rfind(row.error, 0), 0u) << chosen.error().message;
        }
    }
}

TEST(BookChoice, WithoutASettingTheDefaultBookInUseIsShown)
{
    ControllerHarness h(std::nullopt);
    h.store.values.erase(std::string(kBookFileSetting));
    ScopedEnvironment documents("VELMORAK_DOCUMENTS", h.folder.path());
    BookChoice choice(h.c(), h.settings);
    EXPECT_EQ(choice.shownName(BookKind::Program).rfind("vmbook (cannot be read: ", 0), 0u);
    std::ofstream(h.folder.file("vmbook.kbk")) << "AB";
    EXPECT_EQ(choice.shownName(BookKind::Program), "vmbook");
    choice.clear(BookKind::Program);
    EXPECT_EQ(choice.shownName(BookKind::Program), "none");
}

} // namespace
} // namespace velmorak::test
