#include "engine/HashSize.h"

#include <gtest/gtest.h>

namespace velmorak {
namespace {

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

} // namespace
} // namespace velmorak
