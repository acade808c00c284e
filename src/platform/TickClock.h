#pragma once
// Milliseconds since an arbitrary start, 32 bits, monotonic. Tests can set it.
#include <cstdint>

namespace platform {

uint32_t tickCount();
// From now on tickCount() returns this value until advanced or released.
void setTickCount(uint32_t ms);
void advanceTickCount(uint32_t ms);
// Back to the real clock.
void releaseTickCount();

} // namespace platform
