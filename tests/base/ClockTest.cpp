// The clock port: the fake that every timed test builds on, and the system clock's timers.
#include "base/Clock.h"

#include <condition_variable>
#include <mutex>
#include <vector>

#include <gtest/gtest.h>

#include "support/FakeClock.h"

namespace velmorak {
namespace {

TEST(FakeClock, AdvanceFiresDueTimersInOrderAtTheirOwnTime)
{
    test::FakeClock clock(0);
    std::vector<std::string> fired;
    auto note = [&](const char* name) {
        return [&, name] { fired.push_back(name + std::to_string(clock.ticks())); };
    };
    clock.startTimer(1, 250, true, note("clock"));
    clock.startTimer(2, 100, false, note("once"));
    clock.startTimer(3, 600, false, note("killed"));
    // A callback may kill or re-arm timers, its own included.
    clock.startTimer(4, 300, false, [&] {
        clock.killTimer(3);
        clock.startTimer(4, 50, false, note("rearmed"));
    });
    clock.advance(99);
    EXPECT_TRUE(fired.empty());
    clock.advance(701);
    EXPECT_EQ(fired,
        (std::vector<std::string> { "once100", "clock250", "rearmed350", "clock500", "clock750" }));
    EXPECT_EQ(clock.ticks(), 800);
    EXPECT_TRUE(clock.isArmed(1));
    EXPECT_FALSE(clock.isArmed(2));
}

TEST(SystemClock, TimersFireOnTheirThreadUntilKilled)
{
    Clock& clock = systemClock();
    std::mutex mutex;
    std::condition_variable changed;
    int periodic = 0;
    int once = 0;
    std::int64_t start = clock.ticks();
    clock.startTimer(901, 1, true, [&] {
        std::lock_guard lock(mutex);
        ++periodic;
        changed.notify_all();
    });
    clock.startTimer(902, 20, false, [&] {
        std::lock_guard lock(mutex);
        ++once;
        changed.notify_all();
    });
    std::unique_lock lock(mutex);
    ASSERT_TRUE(changed.wait_for(
        lock, std::chrono::seconds(10), [&] { return periodic >= 3 && once == 1; }));
    EXPECT_GE(clock.ticks() - start, 3);
    lock.unlock();
    clock.killTimer(901);
    lock.lock();
    int afterKill = periodic;
    // A one-shot timer armed after the kill fires later than any stray periodic call could.
    clock.startTimer(903, 30, false, [&] {
        std::lock_guard inner(mutex);
        ++once;
        changed.notify_all();
    });
    ASSERT_TRUE(changed.wait_for(lock, std::chrono::seconds(10), [&] { return once == 2; }));
    EXPECT_LE(periodic, afterKill + 1);
}

} // namespace
} // namespace velmorak
