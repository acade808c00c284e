#include "gui_Ports.h"

#include "gui_Cursor.h"
#include "gui_Dialogs.h"
#include "gui_HelpViewer.h"

#include <memory>

namespace platform {

void installWidgetPorts()
{
    setDialogs(std::make_shared<WidgetDialogs>());
    setMousePointerHook(showMousePointer);
    setHelpViewer(std::make_shared<WidgetHelpViewer>());
}

} // namespace platform
