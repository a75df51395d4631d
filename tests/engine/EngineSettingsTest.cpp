// The engine settings: the book files with their defaults and names, the hash size and the
// engine's own strength settings.
#include <filesystem>

#include <gtest/gtest.h>

#include "engine/BookSettings.h"
#include "engine/EngineParameters.h"
#include "engine/HashSize.h"
#include "engine/OpeningBook.h"
#include "support/MemorySettingsStore.h"
#include "support/ScopedEnvironment.h"
#include "support/TempFolder.h"

namespace velmorak {
namespace {

namespace fs = std::filesystem;

class BookSettingsTest : public ::testing::Test {
protected:
    void SetUp() override { fs::create_directories(m_dir / "program"); }
    TempFolder m_folder;
    fs::path m_dir = m_folder.path();
    ScopedEnvironment m_documents { "VELMORAK_DOCUMENTS", (m_dir / "documents").string() };
};

TEST_F(BookSettingsTest, MissingSettingsGiveTheDefaultsAndEmptyMeansNoBook)
{
    MemorySettingsStore store;
    std::string documentsBook = (m_dir / "documents" / "vmbook.kbk").string();
    EXPECT_EQ(bookPath(store, kBookFileSetting), documentsBook);
    std::string engineDefault =
        fs::exists(kDebianPolyglotBook) ? std::string(kDebianPolyglotBook) : documentsBook;
    EXPECT_EQ(bookPath(store, kEngineBookFileSetting), engineDefault);

    ASSERT_TRUE(writeBookSetting(store, kBookFileSetting, ""));
    EXPECT_EQ(bookPath(store, kBookFileSetting), "");
    ASSERT_TRUE(writeBookSetting(store, kEngineBookFileSetting, "/books/mine.bin"));
    EXPECT_EQ(bookPath(store, kEngineBookFileSetting), "/books/mine.bin");
    // Stored as the settings store's own strings ("hex:"); quoted strings still read.
    EXPECT_EQ(store.readValue(kEngineBookFileSetting)->type, RegistryType::Binary);
    store.writeValue(kBookFileSetting, RegistryValue::string("/books/old.kbk"));
    EXPECT_EQ(bookPath(store, kBookFileSetting), "/books/old.kbk");

    // A value of another kind is no path.
    store.writeValue(kBookFileSetting, RegistryValue::dword(5));
    EXPECT_FALSE(readBookSetting(store, kBookFileSetting));
}

TEST_F(BookSettingsTest, TheShippedBookIsCopiedOnceToTheDocuments)
{
    const std::string program = (m_dir / "program").string();
    Result<std::string> installed = installDefaultBook(program);
    ASSERT_FALSE(installed);
    EXPECT_NE(installed.error().message, "");
    EXPECT_FALSE(fs::exists(defaultBookPath()));

    TempFolder::write((m_dir / "program" / "vmbook.kbk").string(), "\xA2\x19\x54\x17");
    installed = installDefaultBook(program);
    ASSERT_TRUE(installed) << installed.error().message;
    EXPECT_EQ(*installed, defaultBookPath());
    EXPECT_EQ(fs::file_size(*installed), 4u);

    // A book the user already has is never overwritten.
    TempFolder::write(*installed, "\x54\x17");
    installed = installDefaultBook(program);
    ASSERT_TRUE(installed) << installed.error().message;
    EXPECT_EQ(fs::file_size(*installed), 2u);
}

TEST(BookSettings, DisplayNames)
{
    struct Row {
        std::optional<std::string> value;
        const char* name;
    } rows[] = {
        { std::nullopt, "none" },
        { "", "none" },
        { "\\My documents\\vmbook.kbk", "vmbook" },
        { "/home/user/Documents/openings.kbk", "openings" },
        { "vmbook.kbk", "none" },
        { "/home/user/book", "none" },
    };
    for (const Row& row : rows)
        EXPECT_EQ(bookDisplayName(row.value), row.name) << row.value.value_or("(missing)");
}

TEST(HashSize, LoweredToAPowerOfTwoBelowHalfTheFreeMemory)
{
    struct Row {
        const char* name;
        std::int64_t chosen;
        std::int64_t half;
        std::int64_t used;
    } rows[] = {
        { "enough memory", 1024, 4096, 1024 },
        { "exactly enough", 1024, 1024, 1024 },
        { "200 KB free: half 100 gives 64", 1024, 100, 64 },
        { "half of 128 KB or less gives 64", 1024, 128, 64 },
        { "just above 128", 1024, 129, 128 },
        { "a power of two is not below itself", 4096, 2048, 1024 },
        { "nothing free", 1024, 0, 64 },
        { "never above 1 GB", 4194304, 3000000, 1048576 },
    };
    for (const Row& row : rows)
        EXPECT_EQ(engineHashSizeKb(row.chosen, row.half), row.used) << row.name;
}

TEST(HashSize, ChoicesTextsAndReadingBack)
{
    EXPECT_EQ(hashSizeChoices(200), (std::vector<std::string> { "64 kb", "128 kb" }));
    EXPECT_EQ(hashSizeChoices(1 << 30).size(), 15u);
    EXPECT_EQ(hashSizeChoices(1 << 30).back(), "1 GB");
    EXPECT_TRUE(hashSizeChoices(10).empty());
    struct Row {
        std::int64_t kb;
        const char* text;
    } rows[] = { { 64, "64 kb" }, { 1023, "1023 kb" }, { 1024, "1 mb" }, { 524288, "512 mb" },
        { 1048576, "1 gb" } };
    for (const Row& row : rows) {
        EXPECT_EQ(hashSizeText(row.kb), row.text);
        if (row.kb % 1024 == 0 || row.kb < 1024) {
            EXPECT_EQ(parseHashSizeText(row.text), row.kb) << row.text;
        }
    }
    EXPECT_EQ(parseHashSizeText("1 GB"), 1048576);
    EXPECT_EQ(parseHashSizeText("16 MB"), 16384);
    EXPECT_FALSE(parseHashSizeText("lots"));
    EXPECT_TRUE(availablePhysicalMemoryKb().value_or(1) > 0);
}

TEST(EngineParameters, TheStrengthOptionsOfAnEngineAreOfferedAndTravelAsText)
{
    struct Row {
        const char* line;
        std::optional<EngineParameter> offered;
    } rows[] = {
        { "option name Skill Level type spin default 20 min 0 max 20",
            EngineParameter { "Skill Level", false, 0, 20, 20 } },
        { "option name UCI_LimitStrength type check default false",
            EngineParameter { "UCI_LimitStrength", true, 0, 1, 0 } },
        { "option name UCI_Elo type spin default 1320 min 1320 max 3190",
            EngineParameter { "UCI_Elo", false, 1320, 3190, 1320 } },
        // A default outside the range is kept inside it.
        { "option name UCI_Elo type spin default 9999 min 1320 max 3190",
            EngineParameter { "UCI_Elo", false, 1320, 3190, 3190 } },
        { "option name Hash type spin default 16 min 1 max 33554432", std::nullopt },
        { "option name Skill Level type spin default 5 min 9 max 1", std::nullopt },
        { "option name Skill Level type combo default 1 var 1 var 2", std::nullopt },
        { "option name Skill Level", std::nullopt },
        { "info depth 1", std::nullopt },
    };
    std::vector<EngineParameter> all;
    for (const Row& row : rows) {
        SCOPED_TRACE(row.line);
        EXPECT_EQ(strengthParameter(row.line), row.offered);
        if (row.offered)
            all.push_back(*row.offered);
    }
    EXPECT_EQ(parseEngineParameters(formatEngineParameters(all)), all);
    // Lines that do not read, or give a value out of range, are passed over.
    EXPECT_EQ(parseEngineParameters("x\tspin\t0\t5\t6\nx\tcombo\t0\t1\t0\n\ty\n"
                                    "Skill Level\tspin\t0\t20\t3"),
        (std::vector<EngineParameter> { { "Skill Level", false, 0, 20, 3 } }));
}

TEST(EngineParameters, AStoredOptionReplacesItsLineAndLeavesTheOthers)
{
    TempFolder folder;
    const std::string ini = folder.file("X.ini");
    TempFolder::write(
        ini, "# comment\n[X]\nEngine=/bin/x\n  Option.Skill Level=20\n#Option.UCI_Elo=1\n");
    ASSERT_TRUE(storeIniOption(ini, "Skill Level", "3"));
    ASSERT_TRUE(storeIniOption(ini, "UCI_Elo", "1500"));
    EXPECT_EQ(TempFolder::read(ini),
        "# comment\n[X]\nEngine=/bin/x\nOption.Skill Level=3\n#Option.UCI_Elo=1\n"
        "Option.UCI_Elo=1500\n");
    const std::string missing = folder.file("new.ini");
    ASSERT_TRUE(storeIniOption(missing, "Skill Level", "1"));
    EXPECT_EQ(TempFolder::read(missing), "Option.Skill Level=1\n");
}

// An installed plug-in's folder is read-only: the first change copies its ini file to the
// user's folder, and that copy is read and changed from then on; a writable folder keeps
// its own file.
TEST(EngineParameters, ChangesToAReadOnlyPluginGoToTheUsersCopyOfItsIni)
{
    TempFolder folder;
    const std::string shipped = folder.file("X.ini");
    const std::string user = folder.file("user/engines");
    const std::string copy = user + "/X.ini";
    TempFolder::write(shipped, "[X]\nEngine=/bin/x\n");

    EXPECT_EQ(engineIniToRead(shipped, user), shipped);
    EXPECT_EQ(engineIniToWrite(shipped, user, true).value(), shipped);
    EXPECT_FALSE(std::filesystem::exists(copy));

    Result<std::string> written = engineIniToWrite(shipped, user, false);
    ASSERT_TRUE(written);
    EXPECT_EQ(*written, copy);
    EXPECT_EQ(TempFolder::read(copy), "[X]\nEngine=/bin/x\n");
    ASSERT_TRUE(storeIniOption(*written, "Skill Level", "3"));
    EXPECT_EQ(engineIniToRead(shipped, user), copy);
    EXPECT_EQ(TempFolder::read(shipped), "[X]\nEngine=/bin/x\n");
    // Once there, the copy wins even where the shipped file could be written.
    EXPECT_EQ(engineIniToWrite(shipped, user, true).value(), copy);
    EXPECT_EQ(TempFolder::read(copy), "[X]\nEngine=/bin/x\nOption.Skill Level=3\n");

    // A plug-in shipped without an ini file starts the user's file afresh.
    const std::string bare = folder.file("Y.ini");
    written = engineIniToWrite(bare, user, false);
    ASSERT_TRUE(written);
    EXPECT_EQ(*written, user + "/Y.ini");
    ASSERT_TRUE(storeIniOption(*written, "UCI_Elo", "1500"));
    EXPECT_EQ(engineIniToRead(bare, user), user + "/Y.ini");
}

} // namespace
} // namespace velmorak
