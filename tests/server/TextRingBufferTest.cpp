#include "server/TextRingBuffer.h"

#include <random>
#include <string>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

using namespace velmorak;
using Texts = std::vector<std::string>;

namespace {

struct LayoutCase {
    const char* name;
    std::size_t capacity;
    Texts added;
    Texts kept;
};

} // namespace

// Each string takes its length plus one byte; a string that does not fit above the write
// position goes to the start and takes with it whatever it overlaps there and everything
// older.
TEST(TextRingBuffer, KeepsTheStringsOfAByteRing)
{
    const LayoutCase cases[] = {
        { "strings filling the area exactly are all kept", 6, { "ab", "cd" }, { "ab", "cd" } },
        { "the oldest goes when the newest wraps to the start", 10, { "ab", "cd", "ef", "g" },
            { "cd", "ef", "g" } },
        // By bytes "ef" would still fit beside "g" and "hijk"; in the ring "hijk" covered its
        // start.
        { "a string written over older ones takes them all", 10, { "ab", "cd", "ef", "g", "hijk" },
            { "g", "hijk" } },
        { "capacity - 1 characters replace all others", 10, { "ab", "cd", "123456789" },
            { "123456789" } },
        { "the string after a full-size one is alone", 10, { "123456789", "x" }, { "x" } },
        { "a text is cut at its first NUL", 10, { std::string("ab\0cd", 5) }, { "ab" } },
        { "empty strings count", 4, { "", "", "", "", "" }, { "", "", "", "" } },
    };
    for (const LayoutCase& row : cases) {
        TextRingBuffer ring(row.capacity);
        for (const std::string& text : row.added)
            EXPECT_TRUE(ring.addString(text)) << row.name;
        EXPECT_EQ(ring.strings().texts, row.kept) << row.name;
        EXPECT_EQ(ring.count(), row.kept.size()) << row.name;
    }
}

TEST(TextRingBuffer, RefusesWhatNeedsMoreThanTheWholeArea)
{
    TextRingBuffer ring(10);
    EXPECT_TRUE(ring.addString("abc"));
    EXPECT_FALSE(ring.addString("0123456789"));
    EXPECT_EQ(ring.strings().texts, Texts { "abc" });

    TextRingBuffer none(0);
    EXPECT_FALSE(none.addString(""));
    EXPECT_EQ(none.count(), 0u);
}

// Many adds of every length: what is kept is always the newest strings in order, within the
// capacity, however the area wraps.
TEST(TextRingBuffer, KeepsANewestRunWithinTheCapacityThroughManyWraps)
{
    constexpr std::size_t kCapacity = 97;
    std::mt19937 random(7);
    TextRingBuffer ring(kCapacity);
    Texts added;
    for (int i = 0; i < 5000; ++i) {
        const std::size_t length = random() % (i % 50 == 0 ? kCapacity : 20);
        added.push_back((std::to_string(i) + std::string(length, 'x')).substr(0, kCapacity - 1));
        ASSERT_TRUE(ring.addString(added.back()));

        const Texts kept = ring.strings().texts;
        ASSERT_FALSE(kept.empty());
        ASSERT_LE(kept.size(), added.size());
        std::size_t bytes = 0;
        for (std::size_t k = 0; k < kept.size(); ++k) {
            ASSERT_EQ(kept[k], added[added.size() - kept.size() + k]) << "after add " << i;
            bytes += kept[k].size() + 1;
        }
        ASSERT_LE(bytes, kCapacity);
        ASSERT_EQ(ring.count(), kept.size());
    }
}

TEST(TextRingBuffer, GivesWhatArrivedAfterARememberedPoint)
{
    TextRingBuffer ring(12);
    ring.addString("old");
    const std::uint64_t mark = ring.newestSequence();
    EXPECT_TRUE(ring.stringsAfter(mark).texts.empty());

    ring.addString("one");
    ring.addString("two");
    TextRingBuffer::Strings fresh = ring.stringsAfter(mark);
    EXPECT_EQ(fresh.texts, (Texts { "one", "two" }));
    EXPECT_EQ(fresh.newest, mark + 2);

    // "four" pushes out "old", "one" and "two": only the survivors come, none twice.
    ring.addString("three");
    ring.addString("four");
    EXPECT_EQ(ring.stringsAfter(fresh.newest).texts, (Texts { "three", "four" }));
    EXPECT_EQ(ring.stringsAfter(mark).texts, (Texts { "three", "four" }));

    ring.clear();
    EXPECT_EQ(ring.count(), 0u);
    ring.addString("five");
    EXPECT_EQ(ring.stringsAfter(fresh.newest + 2).texts, Texts { "five" });
}

TEST(TextRingBuffer, CopiesAnotherBufferWithItsCapacity)
{
    TextRingBuffer source(8);
    source.addString("abc");
    source.addString("de");
    TextRingBuffer copy(100);
    copy.addString("gone");
    copy.copyFrom(source);
    copy.copyFrom(copy);
    EXPECT_EQ(copy.capacity(), 8u);
    EXPECT_EQ(copy.strings().texts, (Texts { "abc", "de" }));
}

// A reader never holds the buffer across its own work: readers and a writer on other threads
// run on without waiting for each other, and every snapshot is a run of the newest strings.
TEST(TextRingBuffer, ReadersAndAWriterOnOtherThreadsSeeWholeSnapshots)
{
    TextRingBuffer ring(256);
    constexpr int kAdds = 20000;
    std::thread writer([&] {
        for (int i = 0; i < kAdds; ++i)
            ring.addString(std::to_string(i));
    });
    bool ordered = true;
    std::thread reader([&] {
        for (int n = 0; n < 2000; ++n) {
            const TextRingBuffer::Strings snapshot = ring.strings();
            for (std::size_t k = 0; k < snapshot.texts.size(); ++k)
                ordered = ordered &&
                    std::stoull(snapshot.texts[k]) + 1 ==
                        snapshot.newest - (snapshot.texts.size() - 1 - k);
        }
    });
    writer.join();
    reader.join();
    EXPECT_TRUE(ordered);
    EXPECT_EQ(ring.newestSequence(), static_cast<std::uint64_t>(kAdds));
}
