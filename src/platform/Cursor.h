#pragma once
// The screen's mouse pointer: a state, not a stack. Setting the default once undoes
// any number of hourglasses.
#include <functional>

namespace platform {

enum class Pointer { Default, Hourglass };

Pointer mousePointer();
void setMousePointer(Pointer p);
// The window layer shows the state; without a hook only the state is kept. A new
// hook is called at once with the current state.
void setMousePointerHook(std::function<void(Pointer)> hook);
// Back to the default pointer (shown through the hook), then drops the hook.
void resetMousePointer();

} // namespace platform
