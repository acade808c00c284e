#pragma once
// The desktop's viewer of files, behind one port so that tests can record what would
// be opened.
#include <QString>
#include <QStringList>
#include <memory>

namespace platform {

// Opens a file in the viewer the desktop has for its type. The path goes to the
// desktop as one argument; no shell sees it.
class FileViewerPort {
public:
    virtual ~FileViewerPort() = default;
    // False when the desktop could not open it.
    virtual bool openFile(const QString& path) = 0;
};

// Records the paths and answers true.
class ScriptedFileViewer : public FileViewerPort {
public:
    bool openFile(const QString& path) override
    {
        m_opened.append(path);
        return true;
    }
    const QStringList& opened() const { return m_opened; }

private:
    QStringList m_opened;
};

FileViewerPort& fileViewer();
void setFileViewer(std::shared_ptr<FileViewerPort> port);
std::shared_ptr<ScriptedFileViewer> installScriptedFileViewer();
void resetFileViewer();

} // namespace platform
