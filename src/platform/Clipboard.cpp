#include "Clipboard.h"

namespace platform {

namespace {

std::shared_ptr<ClipboardPort>& clipboardPort()
{
    static std::shared_ptr<ClipboardPort> port;
    return port;
}

} // namespace

ClipboardPort& clipboard()
{
    std::shared_ptr<ClipboardPort>& port = clipboardPort();
    if (!port)
        port = std::make_shared<ScriptedClipboard>();
    return *port;
}

void setClipboard(std::shared_ptr<ClipboardPort> port) { clipboardPort() = std::move(port); }

std::shared_ptr<ScriptedClipboard> installScriptedClipboard()
{
    auto scripted = std::make_shared<ScriptedClipboard>();
    clipboardPort() = scripted;
    return scripted;
}

void resetClipboard() { clipboardPort().reset(); }

} // namespace platform
