// Help: the pages behind every topic the editor opens, the topic tables, context
// help, the help folder and the no-help-file message.
#include "support/CoreTestSupport.h"

#include <QDirIterator>
#include <QFileInfo>
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

// F1 and clicks through the event filter are tested with the windows.
TEST_F(Help, ContextHelpOpensTheControlsTopicAtItsAnchorAndWithoutAFolderOnlySaysSo)
{
    gsHelpFile = helpDir();
    gInitializeHelpTopics();
    // (Clicks on the property dialog's inputs open their aliases too: test_user_session.)
    const std::pair<const char*, const char*> cases[] = {  // nullptr: nothing is shown
        {"txtDomainPackage", "/plm/plm/general_properties.htm#txtDomainCode"},
        {"txtIcon", "#txtIcon"},
        {"cmdOk", nullptr},
    };
    for (const auto& [control, topic] : cases) {
        viewer->clear();
        const int32_t handle = glShowContextHelp(nullptr, QLatin1String(control));
        EXPECT_EQ(handle, topic ? platform::ScriptedHelpViewer::handle() : 0) << control;
        QStringList shown;
        for (const auto& s : viewer->shown())
            shown << s.topic;
        EXPECT_EQ(shown, topic ? QStringList{QLatin1String(topic)} : QStringList()) << control;
    }
    EXPECT_TRUE(dialogs->shown().empty());
    // Pages outside the table have no topic.
    EXPECT_EQ(gsGetPageHelpTopic(0) + gsGetPageHelpTopic(8), QString());

    const QString base = tmp.filePath(QStringLiteral("HELP"));
    ASSERT_TRUE(QDir().mkpath(base + QStringLiteral("/empty.chm")));
    QFile(base + QStringLiteral("/plain.chm")).open(QIODevice::WriteOnly);
    for (const QString& path : {base + "/empty.chm", base + "/plain.chm", base + "/missing.chm", QString()})
        EXPECT_FALSE(gbHelpFileExists(path)) << path.toStdString();
    EXPECT_TRUE(gbHelpFileExists(helpDir()));
    gsHelpFile.clear();
    viewer->clear();
    EXPECT_EQ(glShowContextHelp(nullptr, QStringLiteral("txtFieldName")), 0);
    EXPECT_TRUE(viewer->shown().empty());
    ASSERT_EQ(dialogs->shown().size(), 1u);
    EXPECT_EQ(dialogs->shown()[0].text, QStringLiteral("No help file was found."));
    EXPECT_EQ(dialogs->shown()[0].style, platform::MbOk | platform::MbIconExclamation);
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
