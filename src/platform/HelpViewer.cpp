#include "HelpViewer.h"

#include <QDir>
#include <QFileInfo>

namespace platform {

namespace {

std::shared_ptr<HelpViewerPort>& currentPort()
{
    static std::shared_ptr<HelpViewerPort> port;
    return port;
}

QString pagePart(const QString& topic)
{
    const qsizetype hash = topic.indexOf(QLatin1Char('#'));
    return hash < 0 ? topic : topic.left(hash);
}

} // namespace

QString helpAnchor(const QString& topic)
{
    const qsizetype hash = topic.indexOf(QLatin1Char('#'));
    return hash < 0 ? QString() : topic.mid(hash + 1);
}

QString helpPageFile(const QString& helpFolder, HelpCommand command, const QString& topic)
{
    if (helpFolder.isEmpty())
        return {};
    const QString folder = QDir::cleanPath(QFileInfo(helpFolder).absoluteFilePath());
    QString page;
    switch (command) {
    case HelpCommand::DisplayContents: page = kHelpContentsPage; break;
    case HelpCommand::DisplayIndex: page = kHelpIndexPage; break;
    case HelpCommand::DisplayTopic:
        page = pagePart(topic);
        if (page.isEmpty() || page == QLatin1String("/"))
            page = kHelpContentsPage;
        break;
    }
    // Topics are paths inside the folder; one that climbs out of it names nothing.
    QString file = QDir::cleanPath(folder + QLatin1Char('/') + page);
    if (!file.startsWith(folder + QLatin1Char('/')))
        return {};
    return file;
}

bool helpFolderExists(const QString& path)
{
    return !path.isEmpty() && QFileInfo(path).isDir() && QFileInfo::exists(QDir(path).filePath(kHelpContentsPage));
}

int32_t ScriptedHelpViewer::showHelp(QObject*, const QString& helpFolder, HelpCommand command, const QString& topic)
{
    Shown s;
    s.helpFolder = helpFolder;
    s.command = command;
    s.topic = topic;
    s.pageFile = helpPageFile(helpFolder, command, topic);
    s.anchor = helpAnchor(topic);
    const bool shown = !s.pageFile.isEmpty();
    m_shown.push_back(std::move(s));
    return shown ? handle() : 0;
}

HelpViewerPort& helpViewer()
{
    std::shared_ptr<HelpViewerPort>& port = currentPort();
    if (!port)
        port = std::make_shared<ScriptedHelpViewer>();
    return *port;
}

void setHelpViewer(std::shared_ptr<HelpViewerPort> port) { currentPort() = std::move(port); }

std::shared_ptr<ScriptedHelpViewer> installScriptedHelpViewer()
{
    auto scripted = std::make_shared<ScriptedHelpViewer>();
    currentPort() = scripted;
    return scripted;
}

void resetHelpViewer() { currentPort().reset(); }

} // namespace platform
