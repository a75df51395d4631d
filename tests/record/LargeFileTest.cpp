#include <filesystem>
#include <string>

#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include "RecordTestSupport.h"
#include "record/CDatabase.h"
#include "record/CPgnParser.h"

namespace velmorak {
namespace {

TEST(LargeDatabase, OffsetsBeyondTwoGigabytes)
{
    const std::string path =
        ::testing::TempDir() + "/velmorak-large-" + std::to_string(::getpid()) + ".pgn";
    CPgnParser parser;
    // A sparse file: one game, a hole of 2.2 GB (read as zero bytes, which belong to the
    // first game), then a second game beyond the 32-bit range.
    const std::string first = "[White \"First\"]\n1.e4 *\n";
    const std::string second = "[White \"Far\"]\n1.d4 d5 *\n";
    const std::int64_t far = (std::int64_t(1) << 31) + 200'000'000;
    {
        int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        ASSERT_GE(fd, 0);
        ASSERT_EQ(::pwrite(fd, first.data(), first.size(), 0), ssize_t(first.size()));
        ASSERT_EQ(::pwrite(fd, second.data(), second.size(), far), ssize_t(second.size()));
        ::close(fd);
    }
    CDatabase db(parser);
    ASSERT_TRUE(db.open(path));
    ASSERT_EQ(db.getEntries().size(), 2u);
    EXPECT_EQ(db.getEntries()[1].start, far);
    EXPECT_EQ(db.getEntries()[1].end, far + std::int64_t(second.size()));
    auto game = db.gotoGame(1);
    ASSERT_TRUE(game);
    EXPECT_EQ(game->white(), "Far");
    EXPECT_EQ(test::treeText(*game), " d4 d5");
    std::filesystem::remove(path);
}

} // namespace
} // namespace velmorak
