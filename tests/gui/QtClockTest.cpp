#include "gui/QtClock.h"

#include <gtest/gtest.h>

#include "WindowHarness.h"

namespace {

using velmorak::test::WindowHarness;

// The exit sequence kills the timers outside any event loop, where deletions wait for the
// next one: a killed or replaced timer must stop at once all the same, or its callback
// runs later against a window that is gone.
TEST(QtClock, KilledReplacedAndDestroyedTimersNeverFireAgain)
{
    int killed = 0, replaced = 0, replacement = 0, destroyed = 0;
    {
        velmorak::gui::QtClock clock;
        clock.startTimer(1, 1, true, [&] { ++killed; });
        clock.startTimer(2, 1, true, [&] { ++replaced; });
        clock.killTimer(1);
        clock.startTimer(2, 1, true, [&] { ++replacement; });
        WindowHarness::waitUntil([&] { return replacement >= 5; });
        EXPECT_FALSE(clock.isArmed(1));
        EXPECT_TRUE(clock.isArmed(2));
        clock.startTimer(3, 1, true, [&] { ++destroyed; });
        clock.killTimer(3);
    }
    int later = 0;
    velmorak::gui::QtClock other;
    other.startTimer(1, 1, true, [&] { ++later; });
    WindowHarness::waitUntil([&] { return later >= 5; });
    EXPECT_GE(replacement, 5);
    EXPECT_GE(later, 5);
    EXPECT_EQ(killed, 0);
    EXPECT_EQ(replaced, 0);
    EXPECT_EQ(destroyed, 0);
}

} // namespace
