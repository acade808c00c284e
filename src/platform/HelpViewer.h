#pragma once
// The help viewer, behind one port so that tests can record what would be shown.
//
// A help "file" is a folder of HTML topics. A topic is a path inside it with an
// optional anchor: "/plm/plm/label.htm#txtLabelCode". The contents and index
// commands show fixed pages of the folder.
#include <QString>
#include <cstdint>
#include <memory>
#include <vector>

class QObject;

namespace platform {

// Command numbers as the callers pass them.
enum class HelpCommand : int16_t { DisplayTopic = 0, DisplayContents = 1, DisplayIndex = 2 };

// What opened context help on a control: the help key, or a click on it.
enum class ContextHelpRequest { HelpKey, Click };

// Pages every help folder has.
inline const QString kHelpContentsPage = QStringLiteral("index.htm");
inline const QString kHelpIndexPage = QStringLiteral("glossary.htm");

// The page file a command shows, as an absolute clean path inside helpFolder, or ""
// when the page lies outside the folder or the folder is not given. An empty topic
// (or one that is only an anchor) shows the contents page.
QString helpPageFile(const QString& helpFolder, HelpCommand command, const QString& topic);
// The anchor of a topic (after "#"), or "".
QString helpAnchor(const QString& topic);
// True when path is a help folder: a directory holding the contents page.
bool helpFolderExists(const QString& path);

class HelpViewerPort {
public:
    virtual ~HelpViewerPort() = default;
    // Shows a page of the help folder, above caller's window when there is one; a
    // page missing from the folder shows a notice. Returns the viewer window's
    // handle (not 0), or 0 when nothing was shown (no folder, or a topic outside it).
    virtual int32_t showHelp(QObject* caller, const QString& helpFolder, HelpCommand command,
                             const QString& topic) = 0;
};

// Records every request and answers as the real viewer would, without a window.
class ScriptedHelpViewer : public HelpViewerPort {
public:
    struct Shown {
        QString helpFolder;
        HelpCommand command = HelpCommand::DisplayTopic;
        QString topic;
        QString pageFile;  // helpPageFile() of the request
        QString anchor;
    };

    int32_t showHelp(QObject* caller, const QString& helpFolder, HelpCommand command,
                     const QString& topic) override;

    const std::vector<Shown>& shown() const { return m_shown; }
    void clear() { m_shown.clear(); }
    static constexpr int32_t handle() { return 0x4850; }

private:
    std::vector<Shown> m_shown;
};

// The port in use; a ScriptedHelpViewer until the window layer installs the real one.
HelpViewerPort& helpViewer();
// nullptr returns to a fresh ScriptedHelpViewer on next use.
void setHelpViewer(std::shared_ptr<HelpViewerPort> port);
std::shared_ptr<ScriptedHelpViewer> installScriptedHelpViewer();
void resetHelpViewer();

} // namespace platform
