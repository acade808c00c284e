#pragma once
// Milliseconds since the system's monotonic clock started, truncated to 32 bits, so
// it wraps after about 49.7 days: take differences in uint32_t. Tests can set it.
#include <cstdint>

namespace platform {

uint32_t tickCount();
// From now on tickCount() returns this value until advanced or released.
void setTickCount(uint32_t ms);
// Moves a set clock on (wrapping at 32 bits); a real clock is first set to its
// current reading.
void advanceTickCount(uint32_t ms);
// Back to the real clock.
void releaseTickCount();

} // namespace platform
