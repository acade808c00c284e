#include "FileViewer.h"

namespace platform {

namespace {

std::shared_ptr<FileViewerPort>& viewerPort()
{
    static std::shared_ptr<FileViewerPort> port;
    return port;
}

} // namespace

FileViewerPort& fileViewer()
{
    std::shared_ptr<FileViewerPort>& port = viewerPort();
    if (!port)
        port = std::make_shared<ScriptedFileViewer>();
    return *port;
}

void setFileViewer(std::shared_ptr<FileViewerPort> port) { viewerPort() = std::move(port); }

std::shared_ptr<ScriptedFileViewer> installScriptedFileViewer()
{
    auto scripted = std::make_shared<ScriptedFileViewer>();
    viewerPort() = scripted;
    return scripted;
}

void resetFileViewer() { viewerPort().reset(); }

} // namespace platform
