#include <chrono>
#include <future>
#include <string>
#include <thread>

#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include "RecordTestSupport.h"
#include "record/CDatabase.h"
#include "record/CPgnParser.h"
#include "support/CliRunner.h"
#include "support/PgnFiles.h"
#include "support/TempFolder.h"

namespace velmorak {
namespace {

TEST(LargeDatabase, OffsetsBeyondTwoGigabytes)
{
    TempFolder folder;
    const std::string path = folder.file("large.pgn");
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
}

// Two deletes and an append by separate processes, started a few milliseconds apart: every
// change reported as done is in the file, and every game in it reads.
TEST(DatabaseRace, ChangesOfSeveralProcessesAtOnceAreAllKeptOrRefused)
{
    TempFolder folder;
    const std::string path = folder.file("games.pgn");
    const std::string gameFile = folder.file("new.pgn");
    TempFolder::write(gameFile, "[White \"Newcomer\"]\n\n1. d4 d5 *\n");
    std::string games;
    for (int i = 0; i < 12; ++i)
        games += "[White \"P" + std::to_string(i) + "\"]\n\n1. e4 e5 2. Nf3 *\n\n";
    for (int trial = 0; trial < 12; ++trial) {
        TempFolder::write(path, games);
        auto later = [&](int ms, std::string args) {
            return std::async(std::launch::async, [ms, args] {
                std::this_thread::sleep_for(std::chrono::milliseconds(ms));
                return runCli(args);
            });
        };
        auto first = later(0, "db delete '" + path + "' 3");
        auto second = later(trial % 4, "db delete '" + path + "' 7");
        auto append = later(trial % 3, "db append '" + path + "' '" + gameFile + "'");
        const int deleted = (first.get().exitCode == 0) + (second.get().exitCode == 0);
        ASSERT_EQ(append.get().exitCode, 0) << "an append waits for the lock";
        EXPECT_EQ(readableGames(path), 13 - deleted) << "trial " << trial;
        EXPECT_EQ(folder.entryCount(), 2) << "no temporary or backup file is left";
    }
}

} // namespace
} // namespace velmorak
