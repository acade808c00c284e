#pragma once
// Puts the real windows behind the platform ports; main() calls it once.

namespace platform {

// Message and input boxes as widgets, the mouse pointer as the application's
// override cursor, the help viewer window, the system clipboard and the desktop's
// file viewer. The program's end releases them (and the help window) before the
// process exits.
void installWidgetPorts();

} // namespace platform
