#include "engine/BookSettings.h"

#include <cstdlib>
#include <filesystem>

#include <gtest/gtest.h>

#include "engine/OpeningBook.h"
#include "support/MemorySettingsStore.h"
#include "support/TempFolder.h"

namespace velmorak {
namespace {

namespace fs = std::filesystem;

class BookSettingsTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        fs::create_directories(m_dir / "program");
        ::setenv("VELMORAK_DOCUMENTS", (m_dir / "documents").c_str(), 1);
    }
    void TearDown() override { ::unsetenv("VELMORAK_DOCUMENTS"); }
    TempFolder m_folder;
    fs::path m_dir = m_folder.path();
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
    EXPECT_EQ(bookDisplayName(readBookSetting(store, kBookFileSetting)), "none");
    ASSERT_TRUE(writeBookSetting(store, kEngineBookFileSetting, "/books/mine.bin"));
    EXPECT_EQ(bookPath(store, kEngineBookFileSetting), "/books/mine.bin");
    EXPECT_EQ(bookDisplayName(readBookSetting(store, kEngineBookFileSetting)), "mine");
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
    auto [path, error] = installDefaultBook((m_dir / "program").string());
    EXPECT_NE(error, "");
    EXPECT_FALSE(fs::exists(path));

    TempFolder::write((m_dir / "program" / "vmbook.kbk").string(), "\xA2\x19\x54\x17");
    std::tie(path, error) = installDefaultBook((m_dir / "program").string());
    EXPECT_EQ(error, "");
    EXPECT_EQ(fs::file_size(path), 4u);

    // A book the user already has is never overwritten.
    TempFolder::write(path, "\x54\x17");
    std::tie(path, error) = installDefaultBook((m_dir / "program").string());
    EXPECT_EQ(error, "");
    EXPECT_EQ(fs::file_size(path), 2u);
}

} // namespace
} // namespace velmorak
