#include "gui_Ports.h"

#include "gui_Clipboard.h"
#include "gui_Cursor.h"
#include "gui_Dialogs.h"
#include "gui_FileViewer.h"
#include "gui_HelpViewer.h"
#include "Process.h"

#include <memory>

namespace platform {

void installWidgetPorts()
{
    setDialogs(std::make_shared<WidgetDialogs>());
    setMousePointerHook(showMousePointer);
    setHelpViewer(std::make_shared<WidgetHelpViewer>());
    setClipboard(std::make_shared<SystemClipboard>());
    setFileViewer(std::make_shared<DesktopFileViewer>());
    // The ports go while the application still runs: the exit handlers come after the
    // window system's own, and a window closed there takes the process down.
    setEndProgramHandler([](int) {
        setDialogs(nullptr);
        setHelpViewer(nullptr);
        setClipboard(nullptr);
        setFileViewer(nullptr);
    });
}

} // namespace platform
