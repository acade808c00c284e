#pragma once
// Puts the real windows behind the platform ports; main() calls it once.

namespace platform {

// Message and input boxes as widgets, the mouse pointer as the application's
// override cursor.
void installWidgetPorts();

} // namespace platform
