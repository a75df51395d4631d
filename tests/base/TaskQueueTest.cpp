#include "base/TaskQueue.h"

#include <thread>
#include <vector>

#include <gtest/gtest.h>

using namespace velmorak;

namespace {

TEST(TaskQueue, RunsTasksFromManyThreadsOnceEachInPostOrderPerThread)
{
    TaskQueue queue;
    constexpr int kThreads = 4;
    constexpr int kTasks = 500;
    std::vector<std::vector<int>> seen(kThreads);
    std::vector<std::thread> posters;
    for (int t = 0; t < kThreads; ++t)
        posters.emplace_back([&, t] {
            for (int i = 0; i < kTasks; ++i)
                queue.post([&, t, i] { seen[t].push_back(i); });
        });
    int ran = 0;
    queue.runUntil([&] { return ++ran > kThreads * kTasks; });
    for (std::thread& poster : posters)
        poster.join();
    for (int t = 0; t < kThreads; ++t) {
        ASSERT_EQ(seen[t].size(), std::size_t(kTasks));
        for (int i = 0; i < kTasks; ++i)
            ASSERT_EQ(seen[t][i], i);
    }
}

TEST(TaskQueue, TasksPostedByATaskRunAfterThoseWaitingAndCloseWakesTheLoop)
{
    TaskQueue queue;
    std::vector<int> order;
    queue.post([&] {
        order.push_back(1);
        queue.post([&] { order.push_back(3); });
    });
    queue.post([&] { order.push_back(2); });
    EXPECT_EQ(queue.runPending(), 2);
    EXPECT_TRUE(queue.runOne(std::chrono::milliseconds(0)));
    EXPECT_EQ(order, (std::vector<int> { 1, 2, 3 }));
    EXPECT_FALSE(queue.runOne(std::chrono::milliseconds(1)));

    std::thread closer([&] { queue.close(); });
    EXPECT_FALSE(queue.runUntil([] { return false; }));
    closer.join();
    queue.post([&] { order.push_back(4); });
    EXPECT_EQ(queue.runPending(), 0);
}

} // namespace
