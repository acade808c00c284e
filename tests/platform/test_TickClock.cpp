#include "platform/TickClock.h"

#include <gtest/gtest.h>

#include <QThread>

using namespace platform;

// The log's timings read the set clock too.
TEST(TickClock, SetClockStandsStillAdvancesWrapsAt32BitsAndRunsAgainWhenReleased)
{
    setTickCount(0xFFFFFFF0u);
    QThread::msleep(2);
    EXPECT_EQ(tickCount(), 0xFFFFFFF0u);
    advanceTickCount(0x20);
    EXPECT_EQ(tickCount(), 0x10u);

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
