// The input thread of velmorak-cli play: every line handed on in order, reading paused
// while too many lines wait to be taken.
#include "cli/PlayInputReader.h"

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <string>
#include <vector>

#include <gtest/gtest.h>
#include <unistd.h>

namespace {

using velmorak::cli::PlayInputReader;
constexpr std::size_t kMaxWaiting = PlayInputReader::kMaxWaitingLines;

// A reader of a pipe that already holds `count` numbered lines and its end.
struct ReadLines {
    explicit ReadLines(int count)
    {
        int ends[2];
        EXPECT_EQ(::pipe(ends), 0);
        std::string input;
        for (int i = 0; i < count; ++i)
            input += std::to_string(i) + "\n";
        EXPECT_EQ(::write(ends[1], input.data(), input.size()), ssize_t(input.size()));
        ::close(ends[1]);
        fd = ends[0];
        reader = std::make_unique<PlayInputReader>(
            fd, 64,
            [this](std::string line) {
                std::lock_guard lock(mutex);
                lines.push_back(std::move(line));
                changed.notify_all();
            },
            [this] {
                std::lock_guard lock(mutex);
                ended = true;
                changed.notify_all();
            });
        EXPECT_TRUE(reader->start());
    }
    ~ReadLines()
    {
        reader.reset();
        ::close(fd);
    }
    // Whether `done` holds within `limit`.
    template <typename Done> bool waitFor(Done done, std::chrono::milliseconds limit)
    {
        std::unique_lock lock(mutex);
        return changed.wait_for(lock, limit, done);
    }

    int fd = -1;
    std::mutex mutex;
    std::condition_variable changed;
    std::vector<std::string> lines;
    bool ended = false;
    std::unique_ptr<PlayInputReader> reader;
};

TEST(PlayInputReader, ReadingPausesWhileTooManyLinesWait)
{
    constexpr int kLines = 1000;
    ReadLines input(kLines);
    ASSERT_TRUE(
        input.waitFor([&] { return input.lines.size() >= kMaxWaiting; }, std::chrono::seconds(10)));
    EXPECT_FALSE(input.waitFor([&] { return input.lines.size() > kMaxWaiting || input.ended; },
        std::chrono::milliseconds(100)))
        << "nothing more is read while that many wait";

    std::size_t taken = 0;
    for (;;) {
        std::size_t arrived = 0;
        {
            std::lock_guard lock(input.mutex);
            if (input.ended)
                break;
            arrived = input.lines.size();
        }
        for (; taken < arrived; ++taken)
            input.reader->lineTaken();
        ASSERT_TRUE(input.waitFor(
            [&] { return input.ended || input.lines.size() > taken; }, std::chrono::seconds(10)));
    }
    ASSERT_EQ(input.lines.size(), std::size_t(kLines));
    EXPECT_EQ(input.lines.front(), "0");
    EXPECT_EQ(input.lines.back(), "999");

    // A reader waiting for its lines to be taken still stops, without reporting an end.
    ReadLines waiting(int(kMaxWaiting) + 10);
    ASSERT_TRUE(waiting.waitFor(
        [&] { return waiting.lines.size() >= kMaxWaiting; }, std::chrono::seconds(10)));
    waiting.reader->stop();
    EXPECT_FALSE(waiting.ended);
}

} // namespace
