// Help: the pages behind every topic the editor opens, the topic tables, context
// help, the help folder and the no-help-file message.
#include "services/mod_Help.h"
#include "support/CoreTestSupport.h"

#include <QDirIterator>
#include <QFileInfo>
#include <QRegularExpression>
#include <QSet>

namespace {

QString sourceDir() { return qEnvironmentVariable("PALIMOR_SOURCE_DIR"); }
QString helpDir() { return sourceDir() + QStringLiteral("/help"); }

QString readAll(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? QString::fromUtf8(f.readAll()) : QString();
}

bool hasAnchor(const QString& page, const QString& anchor)
{
    return readAll(page).contains(QStringLiteral("name=\"%1\"").arg(anchor));
}

QString topicPage(const QString& topic)
{
    return platform::helpPageFile(helpDir(), platform::HelpCommand::DisplayTopic, topic);
}

class Help : public CoreTest {
protected:
    void SetUp() override
    {
        CoreTest::SetUp();
        viewer = platform::installScriptedHelpViewer();
        useTexts({{"qxplqx0115", "No help file was found."}});
    }

    std::shared_ptr<platform::ScriptedHelpViewer> viewer;
};

TEST_F(Help, EveryTopicInTheSourcesAndTablesHasAPage)
{
    ASSERT_TRUE(QFileInfo(helpDir()).isDir());
    QSet<QString> topics;
    const QRegularExpression literal(QStringLiteral("\"(/plm/[A-Za-z0-9_./]+\\.htm)"));
    QDirIterator it(sourceDir() + QStringLiteral("/src"), {"*.cpp", "*.h"}, QDir::Files, QDirIterator::Subdirectories);
    while (it.hasNext())
        for (auto m = literal.globalMatch(readAll(it.next())); m.hasNext();)
            topics.insert(m.next().captured(1));
    // The scan sees at least the tables' own topics.
    for (const QString& topic : gHelpTopicPaths())
        EXPECT_TRUE(topics.contains(topic)) << topic.toStdString();
    for (const QString& topic : topics)
        EXPECT_TRUE(QFileInfo(topicPage(topic)).isFile()) << topic.toStdString();
}

TEST_F(Help, LinksLeadToPagesAndAnchorsAndEveryControlHasItsAnchor)
{
    const QRegularExpression href(QStringLiteral("href=\"([^\"]+)\""));
    int links = 0;
    QDirIterator it(helpDir(), {"*.htm"}, QDir::Files, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString page = it.next();
        for (auto m = href.globalMatch(readAll(page)); m.hasNext(); ++links) {
            const QString link = m.next().captured(1);
            const QString file = link.section(u'#', 0, 0), anchor = link.section(u'#', 1);
            const QString target = file.isEmpty() ? page : QFileInfo(page).dir().filePath(file);
            ASSERT_TRUE(QFileInfo(target).isFile()) << page.toStdString() << " -> " << link.toStdString();
            EXPECT_TRUE(anchor.isEmpty() || hasAnchor(target, anchor)) << page.toStdString() << " -> " << link.toStdString();
        }
    }
    EXPECT_GT(links, 50);

    gInitializeHelpTopics();
    ASSERT_EQ(goHelpTopics.size(), 91);
    for (auto it = goHelpTopics.cbegin(); it != goHelpTopics.cend(); ++it)
        EXPECT_TRUE(hasAnchor(topicPage(it.value()), it.key())) << it.key().toStdString();
}

TEST_F(Help, PageTopicsAndTheControlTableFilledOncePerRun)
{
    // Pages outside the table have no topic.
    for (const auto& [page, topic] : {std::pair{0, ""}, {1, "/plm/plm/general_properties.htm"}, {8, ""}})
        EXPECT_EQ(gsGetPageHelpTopic(int16_t(page)), QLatin1String(topic)) << page;

    gInitializeHelpTopics();
    EXPECT_TRUE(gbHelpTopicsLoaded);
    EXPECT_EQ(goHelpTopics.value(QStringLiteral("cboFieldZoom")), QStringLiteral("/plm/plm/zoom.htm"));
    goHelpTopics.remove(QStringLiteral("cboFieldZoom"));
    gClearHelpState();
    gInitializeHelpTopics();
    EXPECT_FALSE(goHelpTopics.contains(QStringLiteral("cboFieldZoom")));
}

TEST_F(Help, ContextHelpOpensTheControlsTopicAtItsAnchor)
{
    gsHelpFile = helpDir();
    gInitializeHelpTopics();
    const std::pair<const char*, const char*> cases[] = {  // nullptr: nothing is shown
        {"txtDefaultValue", "/plm/plm/general_properties.htm#chkDefault"},
        {"cboDefaultValue", "/plm/plm/general_properties.htm#chkDefault"},
        {"txtDomainPackage", "/plm/plm/general_properties.htm#txtDomainCode"},
        {"chkRichView", "/plm/plm/group_properties.htm#chkRichView"},
        {"txtIcon", "#txtIcon"},
        {"cmdOk", nullptr},
    };
    for (const auto& [control, topic] : cases) {
        viewer->clear();
        const int32_t handle = glShowContextHelp(nullptr, QLatin1String(control));
        if (!topic) {
            EXPECT_EQ(handle, 0);
            EXPECT_TRUE(viewer->shown().empty()) << control;
            continue;
        }
        ASSERT_EQ(viewer->shown().size(), 1u) << control;
        EXPECT_EQ(viewer->shown()[0].topic, QLatin1String(topic));
        EXPECT_EQ(handle, platform::ScriptedHelpViewer::handle());
        EXPECT_TRUE(hasAnchor(viewer->shown()[0].pageFile, viewer->shown()[0].anchor)) << control;
    }
    EXPECT_TRUE(dialogs->shown().empty());
}

TEST_F(Help, WithoutAHelpFolderTheMessageIsShownAndNothingOpens)
{
    const QString base = tmp.filePath(QStringLiteral("HELP"));
    ASSERT_TRUE(QDir().mkpath(base + QStringLiteral("/empty.chm")));
    QFile(base + QStringLiteral("/plain.chm")).open(QIODevice::WriteOnly);
    for (const char* path : {"/empty.chm", "/plain.chm", "/missing.chm"})
        EXPECT_FALSE(gbHelpFileExists(base + QLatin1String(path))) << path;
    EXPECT_FALSE(gbHelpFileExists(QString()));
    EXPECT_TRUE(gbHelpFileExists(helpDir()));

    gInitializeHelpTopics();
    gsHelpFile.clear();
    EXPECT_EQ(glShowHelp(nullptr, kTopicUsingTheEditor), 0);
    EXPECT_EQ(glShowContextHelp(nullptr, QStringLiteral("txtFieldName")), 0);
    EXPECT_TRUE(viewer->shown().empty());
    ASSERT_EQ(dialogs->shown().size(), 2u);
    for (const auto& shown : dialogs->shown())
        EXPECT_EQ(shown.text + u'|' + QString::number(shown.style),
                  QStringLiteral("No help file was found.|%1").arg(platform::MbOk | platform::MbIconExclamation));
    gsHelpFile = helpDir();
    EXPECT_EQ(glShowHelp(nullptr, QString(), platform::HelpCommand::DisplayIndex), platform::ScriptedHelpViewer::handle());
    EXPECT_EQ(glHelpWnd, platform::ScriptedHelpViewer::handle());
    EXPECT_TRUE(viewer->shown().back().pageFile.endsWith(QStringLiteral("/glossary.htm")));
}

TEST_F(Help, PagesStayInsideTheHelpFolder)
{
    const QString folder = tmp.filePath(QStringLiteral("HELP/hlpplm20.chm"));
    const std::pair<const char*, const char*> cases[] = {  // the file relative to the folder; "" for none
        {"/plm/plm/label.htm#txtLabelCode", "plm/plm/label.htm"},
        {"#txtIcon", "index.htm"},
        {"/../../secret.htm", ""},
        {"/plm/../../hlpplm20.chm.htm", ""},
    };
    for (const auto& [topic, file] : cases)
        EXPECT_EQ(platform::helpPageFile(folder, platform::HelpCommand::DisplayTopic, QLatin1String(topic)),
                  *file ? folder + u'/' + QLatin1String(file) : QString())
            << topic;
    EXPECT_EQ(platform::helpPageFile(QString(), platform::HelpCommand::DisplayContents, QString()), QString());
}

} // namespace
