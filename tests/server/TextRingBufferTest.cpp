#include "server/TextRingBuffer.h"

#include <cstring>
#include <random>
#include <string>
#include <vector>

#include <gtest/gtest.h>

using namespace velmorak;
using Texts = std::vector<std::string>;

// Each string takes its length plus one byte; one that does not fit above the write position
// goes to the start, taking what it overlaps there and everything older. Texts longer than
// the area are refused.
TEST(TextRingBuffer, KeepsTheStringsOfAByteRing)
{
    struct Row {
        const char* name;
        std::size_t capacity;
        Texts added;
        Texts kept;
    };
    const Row rows[] = {
        { "strings filling the area exactly are all kept", 6, { "ab", "cd" }, { "ab", "cd" } },
        { "the oldest goes when the newest wraps", 10, { "ab", "cd", "ef", "g" },
            { "cd", "ef", "g" } },
        // By bytes "ef" would still fit beside "g" and "hijk"; in the ring "hijk" covers it.
        { "a string written over older ones takes them all", 10, { "ab", "cd", "ef", "g", "hijk" },
            { "g", "hijk" } },
        { "capacity - 1 characters replace all others", 10, { "ab", "cd", "123456789" },
            { "123456789" } },
        { "the string after a full-size one is alone", 10, { "123456789", "x" }, { "x" } },
        { "too long is refused and loses nothing", 10, { "abc", "0123456789" }, { "abc" } },
        { "a text ends at its first NUL", 10, { std::string("ab\0cd", 5) }, { "ab" } },
        { "empty strings count", 4, { "", "", "", "", "" }, { "", "", "", "" } },
        { "no area, no strings", 0, { "" }, {} },
    };
    for (const Row& row : rows) {
        TextRingBuffer ring(row.capacity);
        for (const std::string& text : row.added)
            EXPECT_EQ(ring.addString(text), std::strlen(text.c_str()) < row.capacity) << row.name;
        EXPECT_EQ(ring.strings().texts, row.kept) << row.name;
        EXPECT_EQ(ring.count(), row.kept.size()) << row.name;
    }
}

// Through thousands of wraps with texts of every length, what is kept is always a run of the
// newest strings, in order and within the capacity.
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
        ASSERT_TRUE(!kept.empty() && kept.size() == ring.count());
        std::size_t bytes = 0;
        for (std::size_t k = 0; k < kept.size(); ++k) {
            ASSERT_EQ(kept[k], added[added.size() - kept.size() + k]) << "after add " << i;
            bytes += kept[k].size() + 1;
        }
        ASSERT_LE(bytes, kCapacity);
    }
}

TEST(TextRingBuffer, GivesWhatArrivedAfterARememberedPointAndCopies)
{
    TextRingBuffer ring(12);
    ring.addString("old");
    const std::uint64_t mark = ring.newestSequence();
    EXPECT_TRUE(ring.stringsAfter(mark).texts.empty());
    ring.addString("one");
    ring.addString("two");
    const TextRingBuffer::Strings fresh = ring.stringsAfter(mark);
    EXPECT_EQ(fresh.texts, (Texts { "one", "two" }));
    EXPECT_EQ(fresh.newest, mark + 2);
    // "four" pushes out "old", "one" and "two": only the survivors come, none twice.
    ring.addString("three");
    ring.addString("four");
    EXPECT_EQ(ring.stringsAfter(fresh.newest).texts, (Texts { "three", "four" }));
    EXPECT_EQ(ring.stringsAfter(mark).texts, (Texts { "three", "four" }));

    TextRingBuffer copy(100);
    copy.addString("gone");
    copy.copyFrom(ring);
    copy.copyFrom(copy);
    EXPECT_EQ(copy.capacity(), 12u);
    EXPECT_EQ(copy.strings().texts, (Texts { "three", "four" }));
}
