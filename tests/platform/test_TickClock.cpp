#include "platform/TickClock.h"

#include <gtest/gtest.h>

#include <QThread>

using namespace platform;

TEST(TickClock, SetClockStandsStillAdvancesWrapsAt32BitsAndRunsAgainWhenReleased)
{
    const struct {
        uint32_t start;
        std::vector<uint32_t> steps;
        uint32_t expected;
    } cases[] = {{100, {}, 100}, {100, {250, 250}, 600}, {0xFFFFFFF0u, {0x20}, 0x10}, {0xFFFFFFFFu, {1}, 0}};
    for (const auto& c : cases) {
        setTickCount(c.start);
        for (uint32_t step : c.steps)
            advanceTickCount(step);
        EXPECT_EQ(tickCount(), c.expected) << c.start;
    }
    QThread::msleep(2);
    EXPECT_EQ(tickCount(), 0u);

    // Advancing the real clock fixes it.
    releaseTickCount();
    const uint32_t before = tickCount();
    advanceTickCount(60000);
    const uint32_t fixed = tickCount();
    EXPECT_GE(uint32_t(fixed - before), 60000u);
    EXPECT_LT(uint32_t(fixed - before), 120000u);
    QThread::msleep(5);
    EXPECT_EQ(tickCount(), fixed);

    releaseTickCount();
    const uint32_t a = tickCount();
    QThread::msleep(20);
    // Differences taken in 32 bits survive a wrap.
    EXPECT_GE(uint32_t(tickCount() - a), 20u);
    EXPECT_LT(uint32_t(tickCount() - a), 60000u);
}
