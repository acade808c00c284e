#include "UiHooks.h"

namespace ui {

static Hooks g_hooks;

Hooks& hooks() { return g_hooks; }
void resetHooks() { g_hooks = Hooks{}; }

} // namespace ui
