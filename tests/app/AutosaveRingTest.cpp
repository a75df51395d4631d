#include "app/AutosaveRing.h"

#include <algorithm>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "platform/SystemTagSources.h"
#include "record/CPgnParser.h"
#include "record/PgnInput.h"
#include "settings/RegistrySettings.h"
#include "support/FailingFileCalls.h"
#include "support/FixedTagSources.h"
#include "support/MemorySettingsStore.h"
#include "support/TempFolder.h"

namespace velmorak {
namespace {

constexpr int kNoSetting = -100;

class AutosaveRingTest : public ::testing::Test {
protected:
    static std::unique_ptr<CPgnGame> game(const std::string& white, const std::string& moves)
    {
        PgnInput input;
        const std::string text = "[White \"" + white + "\"]\n" + moves + "\n";
        input.openText(text);
        std::unique_ptr<CPgnGame> read;
        std::int64_t end = 0;
        CPgnParser().readGame(input, 0, end, read);
        return read;
    }

    // A ring file of `count` games with White "Old 0", "Old 1", ...; the damaged ones hold an
    // illegal move, so they are indexed but cannot be loaded.
    void fillRing(int count, const std::vector<int>& damaged = {})
    {
        std::string text;
        for (int i = 0; i < count; ++i) {
            const bool bad = std::find(damaged.begin(), damaged.end(), i) != damaged.end();
            text += "[White \"Old " + std::to_string(i) + "\"]\n\n" +
                (bad ? "1.e4 e5 2.Ke3 *" : "1.d4 d5 *") + "\r\n\r\n";
        }
        std::filesystem::create_directories(documents);
        TempFolder::write(ring.path(), text);
    }

    void setSetting(int slot)
    {
        if (slot != kNoSetting)
            settings.writeInt(kCurrentAutosaveSetting, slot);
    }

    int setting()
    {
        int slot = kNoSetting;
        settings.readInt(kCurrentAutosaveSetting, slot);
        return slot;
    }

    std::vector<std::string> whites() const
    {
        CPgnParser parser;
        CDatabase database(parser);
        std::vector<std::string> names;
        if (database.open(ring.path()))
            for (const CDatabaseEntry& entry : database.getEntries())
                names.emplace_back(entry.white());
        return names;
    }

    Result<int> save(const std::string& white)
    {
        return ring.save(*game(white, "1.e4 c5 *"), TagCompletionRequest {}, sources);
    }

    TempFolder folder;
    // Missing until the first save makes it.
    std::string documents = folder.file("Documents");
    MemorySettingsStore store;
    RegistrySettings settings { store };
    FixedTagSources sources;
    AutosaveRing ring { documents, settings };
};

TEST_F(AutosaveRingTest, TwentyOneSavesFillTheRingAndWrapToSlotZero)
{
    for (int i = 0; i <= kAutosaveRingSize; ++i) {
        Result<int> slot = save("Save " + std::to_string(i));
        ASSERT_TRUE(slot.ok()) << i << ": " << slot.error().message;
        EXPECT_EQ(*slot, i % kAutosaveRingSize);
        EXPECT_EQ(setting(), *slot) << "the setting follows every write";
    }
    const std::vector<std::string> names = whites();
    ASSERT_EQ(names.size(), std::size_t(kAutosaveRingSize));
    EXPECT_EQ(names[0], "Save 20");
    EXPECT_EQ(names[1], "Save 1");
    EXPECT_EQ(names[19], "Save 19");
    EXPECT_EQ(ring.restore()->white(), "Save 20");
}

TEST_F(AutosaveRingTest, NextSlotFollowsTheSettingAndTheFile)
{
    struct Row {
        const char* name;
        int gamesInFile;
        int setting;
        int slot;
    };
    const Row rows[] = {
        { "no file, no setting", 0, kNoSetting, 0 },
        { "short ring appends", 5, 4, 5 },
        { "short ring with a setting past its end appends", 3, 12, 3 },
        { "full ring without setting replaces slot 0", 20, kNoSetting, 0 },
        { "full ring after slot 7", 20, 7, 8 },
        { "full ring after the last slot wraps", 20, 19, 0 },
        { "full ring with a negative setting", 20, -7, 0 },
        { "full ring with a huge setting", 20, 2147483647, 0 },
    };
    for (const Row& row : rows) {
        store.values.clear();
        std::filesystem::remove_all(documents);
        if (row.gamesInFile > 0)
            fillRing(row.gamesInFile);
        setSetting(row.setting);
        Result<int> slot = save("New");
        ASSERT_TRUE(slot.ok()) << row.name;
        EXPECT_EQ(*slot, row.slot) << row.name;
        EXPECT_EQ(setting(), row.slot) << row.name;
        const std::vector<std::string> names = whites();
        ASSERT_EQ(int(names.size()), std::max(row.gamesInFile, row.slot + 1)) << row.name;
        for (int i = 0; i < int(names.size()); ++i)
            EXPECT_EQ(names[i], i == row.slot ? "New" : "Old " + std::to_string(i)) << row.name;
    }
}

TEST_F(AutosaveRingTest, AFailedReplaceAppendsAndTheSettingNamesTheAppendedGame)
{
    fillRing(kAutosaveRingSize);
    setSetting(4);
    FailingFileCalls calls;
    calls.failCall = "rename";
    ring.setFileCalls(&calls);
    Result<int> slot = save("New");
    ASSERT_TRUE(slot.ok()) << slot.error().message;
    EXPECT_EQ(*slot, kAutosaveRingSize);
    EXPECT_EQ(setting(), kAutosaveRingSize);
    const std::vector<std::string> names = whites();
    ASSERT_EQ(names.size(), std::size_t(kAutosaveRingSize + 1));
    EXPECT_EQ(names[5], "Old 5");
    EXPECT_EQ(names.back(), "New");
    ring.setFileCalls(nullptr);
    EXPECT_EQ(ring.restore()->white(), "New");
}

TEST_F(AutosaveRingTest, ASaveCutOffInsideATagIsReplacedByTheNextSave)
{
    fillRing(3);
    TempFolder::write(ring.path(), TempFolder::read(ring.path()) + "[Event \"Save 4\"]\r\n[Whi");
    setSetting(2);
    Result<int> slot = save("New");
    ASSERT_TRUE(slot.ok()) << slot.error().message;
    EXPECT_EQ(*slot, 3);
    EXPECT_EQ(setting(), 3);
    EXPECT_EQ(whites(), (std::vector<std::string> { "Old 0", "Old 1", "Old 2", "New" }));
    EXPECT_EQ(ring.restore()->white(), "New");
}

TEST_F(AutosaveRingTest, NothingWrittenIsAnErrorAndKeepsTheSetting)
{
    struct Row {
        const char* name;
        bool fullRing;
        bool folderIsAFile;
    };
    for (const Row row : { Row { "replace and append fail", true, false },
             Row { "the documents folder cannot be made", false, true } }) {
        std::filesystem::remove_all(documents);
        if (row.fullRing)
            fillRing(kAutosaveRingSize);
        if (row.folderIsAFile)
            TempFolder::write(documents, "not a folder");
        setSetting(4);
        const std::string before = TempFolder::read(ring.path());
        FailingFileCalls calls;
        calls.failCall = "write";
        ring.setFileCalls(&calls);
        EXPECT_FALSE(save("New").ok()) << row.name;
        EXPECT_EQ(setting(), 4) << row.name;
        EXPECT_EQ(TempFolder::read(ring.path()), before) << row.name;
    }
}

TEST_F(AutosaveRingTest, RestoreTakesTheSettingsSlotOrTheGameBeforeIt)
{
    struct Row {
        const char* name;
        int gamesInFile;
        std::vector<int> damaged;
        int setting;
        const char* white; // null: nothing restored
    };
    const Row rows[] = {
        { "the setting's slot", 3, {}, 1, "Old 1" },
        { "no setting: the last game", 3, {}, kNoSetting, "Old 2" },
        { "setting past the end: the last game", 3, {}, 3, "Old 2" },
        { "damaged slot: the one before", 3, { 1 }, 1, "Old 0" },
        { "damaged slot 0 wraps to the last", 3, { 0 }, 0, "Old 2" },
        { "damaged last game without setting", 3, { 2, 1 }, kNoSetting, "Old 0" },
        { "every game damaged", 2, { 0, 1 }, 0, nullptr },
        { "empty file", 0, {}, 0, nullptr },
    };
    for (const Row& row : rows) {
        store.values.clear();
        fillRing(row.gamesInFile, row.damaged);
        setSetting(row.setting);
        std::unique_ptr<CPgnGame> restored = ring.restore();
        ASSERT_EQ(restored != nullptr, row.white != nullptr) << row.name;
        if (restored) {
            EXPECT_EQ(restored->white(), row.white) << row.name;
        }
    }
    std::filesystem::remove_all(documents);
    EXPECT_EQ(ring.restore(), nullptr) << "missing file";
}

TEST_F(AutosaveRingTest, MoveTimesTravelInTheFileAndTheGameKeepsItsComments)
{
    std::unique_ptr<CPgnGame> played = game("", "1.e4 {good} e5 *");
    played->setWhite("");
    CGameNode* e4 = played->root()->child(0);
    e4->setTime(1500);
    e4->child(0)->setTime(2300);
    ASSERT_TRUE(ring.save(*played, TagCompletionRequest {}, sources).ok());
    EXPECT_EQ(e4->comment(), "good");
    EXPECT_EQ(e4->time(), 1500);
    EXPECT_NE(TempFolder::read(ring.path()).find("1500,good"), std::string::npos);

    std::unique_ptr<CPgnGame> restored = ring.restore();
    ASSERT_NE(restored, nullptr);
    EXPECT_EQ(restored->white(), "Ann Owner");
    EXPECT_EQ(restored->getTag("Time"), "09:03:01");
    EXPECT_EQ(restored->root()->child(0)->comment(), "good");
    EXPECT_EQ(restored->root()->child(0)->time(), 1500);
    EXPECT_EQ(restored->root()->child(0)->child(0)->time(), 2300);
}

TEST(OwnerName, FullNameFromThePasswordEntryElseTheLogin)
{
    struct Row {
        const char* gecos;
        const char* owner;
    };
    for (const Row row :
        { Row { "Ann Smith,Room 4,555-1234,", "Ann Smith" }, Row { "Ann Smith", "Ann Smith" },
            Row { ",Room 4,,", "ann" }, Row { "", "ann" }, Row { "  ,", "ann" } })
        EXPECT_EQ(ownerNameFromPasswordEntry(row.gecos, "ann"), row.owner) << row.gecos;
}

} // namespace
} // namespace velmorak
