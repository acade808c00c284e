#include "platform/TickClock.h"

#include <gtest/gtest.h>

#include <QThread>

using namespace platform;

namespace {

class TickClockTest : public ::testing::Test {
protected:
    void TearDown() override { releaseTickCount(); }
};

struct AdvanceCase {
    uint32_t start;
    std::vector<uint32_t> steps;
    uint32_t expected;
};

void PrintTo(const AdvanceCase& c, std::ostream* os) { *os << c.start << " -> " << c.expected; }

class TickAdvance : public TickClockTest, public ::testing::WithParamInterface<AdvanceCase> {};

TEST_P(TickAdvance, StandsStillAdvancesAndWrapsAt32Bits)
{
    setTickCount(GetParam().start);
    for (uint32_t step : GetParam().steps)
        advanceTickCount(step);
    EXPECT_EQ(tickCount(), GetParam().expected);
    QThread::msleep(2);
    EXPECT_EQ(tickCount(), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(Cases, TickAdvance,
                         ::testing::Values(AdvanceCase{100, {}, 100},
                                           AdvanceCase{100, {250, 250}, 600},
                                           AdvanceCase{0xFFFFFFF0u, {0x20}, 0x10},
                                           AdvanceCase{0xFFFFFFFFu, {1}, 0}));

TEST_F(TickClockTest, AdvancingTheRealClockFixesIt)
{
    const uint32_t before = tickCount();
    advanceTickCount(60000);
    const uint32_t fixed = tickCount();
    EXPECT_GE(uint32_t(fixed - before), 60000u);
    EXPECT_LT(uint32_t(fixed - before), 120000u);
    QThread::msleep(5);
    EXPECT_EQ(tickCount(), fixed);
}

TEST_F(TickClockTest, ReleasedClockRunsAgain)
{
    setTickCount(5);
    releaseTickCount();
    const uint32_t a = tickCount();
    QThread::msleep(20);
    const uint32_t b = tickCount();
    // Differences taken in 32 bits survive a wrap.
    EXPECT_GE(uint32_t(b - a), 20u);
    EXPECT_LT(uint32_t(b - a), 60000u);
}

} // namespace
