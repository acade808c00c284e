#pragma once
// The desktop's viewer of files.
#include "FileViewer.h"

namespace platform {

// Hands the file to the desktop as a file URL; the desktop picks the viewer.
class DesktopFileViewer : public FileViewerPort {
public:
    bool openFile(const QString& path) override;
};

} // namespace platform
