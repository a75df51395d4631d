#include "app/AutosaveRing.h"

#include <algorithm>
#include <filesystem>

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>

#include "platform/SystemTagSources.h"
#include "record/CPgnParser.h"
#include "support/FailingFileCalls.h"
#include "support/FixedTagSources.h"
#include "support/MemorySettingsStore.h"
#include "support/MoveText.h"
#include "support/TempFolder.h"

namespace velmorak {
namespace {

constexpr int kNoSetting = -100;

class AutosaveRingTest : public ::testing::Test {
protected:
    // The setting (kNoSetting: none) and a ring file of `games` games with White "Old 0",
    // "Old 1", ..., then `tail` (no documents folder for -1); the damaged games hold an
    // illegal move, so they are indexed but cannot be loaded. Game i carries numbers[i] as
    // its save number, when given.
    void prepare(int games, int slot, const std::vector<int>& damaged = {},
        const std::string& tail = {}, const std::vector<int>& numbers = {})
    {
        store.values.clear();
        if (slot != kNoSetting)
            settings.writeInt(kCurrentAutosaveSetting, slot);
        std::filesystem::remove_all(documents);
        std::string text;
        for (int i = 0; i < games; ++i)
            text += "[White \"Old " + std::to_string(i) + "\"]\n" +
                (i < int(numbers.size()) ? "[" + std::string(kAutosaveNumberTag) + " \"" +
                            std::to_string(numbers[std::size_t(i)]) + "\"]\n"
                                         : "") +
                "\n" +
                (std::count(damaged.begin(), damaged.end(), i) ? "1.Ke2 *\n\n" : "1.d4 *\n\n");
        if (games >= 0 && std::filesystem::create_directories(documents)) {
            TempFolder::write(ring.path(), text + tail);
            // Written long ago: a change of the time within the clock's resolution shows.
            const timespec old[2] = { { 1000000000, 0 }, { 1000000000, 0 } };
            ::utimensat(AT_FDCWD, ring.path().c_str(), old, 0);
        }
    }

    int setting()
    {
        int slot = kNoSetting;
        settings.readInt(kCurrentAutosaveSetting, slot);
        return slot;
    }

    // White of every game the file indexes; none when it cannot be opened.
    std::vector<std::string> whites() const
    {
        CPgnParser parser;
        CDatabase database(parser);
        database.open(ring.path());
        std::vector<std::string> names;
        for (const CDatabaseEntry& entry : database.getEntries())
            names.emplace_back(entry.white());
        return names;
    }

    TempFolder folder;
    // Missing until a save makes it.
    std::string documents = folder.file("Documents");
    MemorySettingsStore store;
    RegistrySettings settings { store };
    FixedTagSources sources;
    AutosaveRing ring { documents, settings };
};

TEST_F(AutosaveRingTest, EachSaveGoesToTheNextSlotAndTheSettingNamesTheSlotWritten)
{
    struct Row {
        const char* name;
        int games, setting;
        const char *failCall, *tail;
        int slot; // -1: nothing written
    };
    const Row rows[] = {
        { "no folder, no setting", -1, kNoSetting, "", "", 0 },
        { "short ring, setting past its end", 3, 12, "", "", 3 },
        { "short ring cut off inside a tag", 3, 2, "", "[Event \"x\"]\r\n[Whi", 3 },
        { "full ring, no setting", 20, kNoSetting, "", "", 0 },
        { "full ring after slot 7", 20, 7, "", "", 8 },
        { "the 21st save wraps to slot 0", 20, 19, "", "", 0 },
        { "full ring, negative setting", 20, -7, "", "", 0 },
        { "full ring, largest setting", 20, 2147483647, "", "", 0 },
        { "full ring cut off inside a tag", 20, 4, "", "[Event \"x\"]\n[Whi", 5 },
        { "a ring grown past its size", 23, 4, "", "", 5 },
        { "a failed replace writes nothing", 20, 4, "rename", "", -1 },
        { "a failed append writes nothing", 3, 2, "write", "", -1 },
    };
    for (const Row& row : rows) {
        prepare(row.games, row.setting, {}, row.tail);
        FailingFileCalls calls;
        calls.failCall = row.failCall;
        ring.setFileCalls(&calls);
        CPgnGame game;
        Result<int> slot = ring.save(game, {}, sources);
        EXPECT_EQ(slot.ok() ? *slot : -1, row.slot) << row.name;
        EXPECT_EQ(setting(), row.slot < 0 ? row.setting : row.slot) << row.name;
        std::vector<std::string> expected;
        int kept = std::max(row.games, row.slot + 1);
        if (row.slot >= 0)
            kept = std::min(kept, kAutosaveRingSize);
        for (int i = 0; i < kept; ++i)
            expected.push_back(i == row.slot ? "Ann Owner" : "Old " + std::to_string(i));
        EXPECT_EQ(whites(), expected) << row.name;
    }
}

TEST_F(AutosaveRingTest, RestoreTakesTheSettingsSlotOrTheReadableOneBeforeIt)
{
    struct Row {
        const char* name;
        int games, setting;
        std::vector<int> damaged;
        std::string white;
    };
    const Row rows[] = {
        { "the setting's slot", 3, 1, {}, "Old 1" },
        { "no setting: the last game", 3, kNoSetting, {}, "Old 2" },
        { "setting past the end: the last game", 3, 3, {}, "Old 2" },
        { "negative setting: the last game", 3, -4, {}, "Old 2" },
        { "damaged slot: the one before", 3, 1, { 1 }, "Old 0" },
        { "damaged slot 0 wraps to the last", 3, 0, { 0 }, "Old 2" },
        { "every game damaged", 2, 0, { 0, 1 }, "none" },
        { "empty file", 0, 0, {}, "none" },
        { "missing file", -1, 0, {}, "none" },
    };
    for (const Row& row : rows) {
        prepare(row.games, row.setting, row.damaged);
        std::unique_ptr<CPgnGame> restored = ring.restore();
        EXPECT_EQ(restored ? restored->white() : "none", row.white) << row.name;
    }
}

TEST_F(AutosaveRingTest, TheNewestGameIsFoundByItsNumberWhenTheSettingLagsBehind)
{
    // A kill between writing slot 7 and naming it in the settings left the setting at 6.
    std::vector<int> numbers;
    for (int i = 0; i < kAutosaveRingSize; ++i)
        numbers.push_back(i <= 7 ? 100 + i : i + 1);
    prepare(kAutosaveRingSize, 6, {}, {}, numbers);
    std::unique_ptr<CPgnGame> restored = ring.restore();
    ASSERT_NE(restored, nullptr);
    EXPECT_EQ(restored->white(), "Old 7");
    EXPECT_FALSE(restored->hasTag(kAutosaveNumberTag)) << "the number is the ring's own";

    CPgnGame game;
    Result<int> slot = ring.save(game, {}, sources);
    ASSERT_TRUE(slot.ok());
    EXPECT_EQ(*slot, 8) << "the newest game is kept";
    settings.writeInt(kCurrentAutosaveSetting, 3);
    slot = ring.save(game, {}, sources);
    ASSERT_TRUE(slot.ok());
    EXPECT_EQ(*slot, 9) << "the game saved before is the newest";

    prepare(kAutosaveRingSize, 6, { 7 }, {}, numbers);
    restored = ring.restore();
    EXPECT_EQ(restored ? restored->white() : "none", "Old 6") << "a damaged newest game";
}

TEST_F(AutosaveRingTest, MoveTimesTravelInTheFileAndTheGameKeepsItsComments)
{
    CPgnGame game;
    CGameNode* e4 = game.root()->addChild(std::make_unique<CGameNode>(
        test::moveIn(test::positionAfter(""), "e2e4"), "e4", 0, "good", 0, 1500));
    ASSERT_TRUE(ring.save(game, {}, sources).ok());
    EXPECT_EQ(e4->comment(), "good") << "the times are taken out of the comments again";

    std::unique_ptr<CPgnGame> restored = ring.restore();
    ASSERT_NE(restored, nullptr);
    EXPECT_EQ(restored->getTag("Time"), "09:03:01");
    EXPECT_EQ(restored->root()->child(0)->time(), 1500);
}

TEST(OwnerName, FullNameFromThePasswordEntryElseTheLogin)
{
    EXPECT_EQ(ownerNameFromPasswordEntry("Ann Smith,Room 4,555-1234,", "ann"), "Ann Smith");
    EXPECT_EQ(ownerNameFromPasswordEntry("  ,Room 4", "ann"), "ann");
}

} // namespace
} // namespace velmorak
