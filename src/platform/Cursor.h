#pragma once
// The screen's mouse pointer: a state, not a stack. Setting the default once undoes
// any number of hourglasses.
#include <functional>

namespace platform {

enum class Pointer { Default, Hourglass };

Pointer mousePointer();
void setMousePointer(Pointer p);
// The window layer shows the state; without a hook only the state is kept.
void setMousePointerHook(std::function<void(Pointer)> hook);

} // namespace platform
