#include "gui_Ports.h"

#include "gui_Cursor.h"
#include "gui_Dialogs.h"

#include <memory>

namespace platform {

void installWidgetPorts()
{
    setDialogs(std::make_shared<WidgetDialogs>());
    setMousePointerHook(showMousePointer);
}

} // namespace platform
