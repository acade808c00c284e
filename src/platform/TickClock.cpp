#include "TickClock.h"

#include <QElapsedTimer>

#include <atomic>

namespace platform {

namespace {

std::atomic<bool> g_fixed{false};
std::atomic<uint32_t> g_fixedValue{0};

uint32_t realTicks()
{
    QElapsedTimer timer;
    timer.start();
    return static_cast<uint32_t>(timer.msecsSinceReference());
}

} // namespace

uint32_t tickCount() { return g_fixed ? g_fixedValue.load() : realTicks(); }

void setTickCount(uint32_t ms)
{
    g_fixedValue = ms;
    g_fixed = true;
}

void advanceTickCount(uint32_t ms)
{
    if (!g_fixed)
        setTickCount(realTicks());
    g_fixedValue += ms;
}

void releaseTickCount() { g_fixed = false; }

} // namespace platform
