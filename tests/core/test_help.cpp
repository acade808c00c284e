// Help: the pages behind every topic the editor opens, the topic tables, context
// help and the no-help-file message.
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

class Help : public CoreTest {
protected:
    void SetUp() override
    {
        CoreTest::SetUp();
        resetHelp();
        viewer = platform::installScriptedHelpViewer();
        useTexts({{QStringLiteral("qxplqx0115"), QStringLiteral("No help file was found.")}});
    }
    void TearDown() override
    {
        resetHelp();
        platform::resetHelpViewer();
        CoreTest::TearDown();
    }

    std::shared_ptr<platform::ScriptedHelpViewer> viewer;
};

TEST_F(Help, EveryTopicInTheSourcesAndTablesHasAPage)
{
    ASSERT_TRUE(QFileInfo(helpDir()).isDir());
    QSet<QString> topics;
    const QRegularExpression literal(QStringLiteral("\"(/plm/[A-Za-z0-9_./]+\\.htm)"));
    QDirIterator it(sourceDir() + QStringLiteral("/src"), {QStringLiteral("*.cpp"), QStringLiteral("*.h")},
                    QDir::Files, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString text = readAll(it.next());
        for (auto m = literal.globalMatch(text); m.hasNext();)
            topics.insert(m.next().captured(1));
    }
    // The scan sees at least the tables' own topics.
    for (const QString& topic : gHelpTopicPaths())
        EXPECT_TRUE(topics.contains(topic)) << topic.toStdString();
    for (const QString& topic : topics)
        EXPECT_TRUE(QFileInfo(platform::helpPageFile(helpDir(), platform::HelpCommand::DisplayTopic, topic)).isFile())
            << topic.toStdString();
}

TEST_F(Help, LinksBetweenPagesLeadToPagesAndAnchors)
{
    const QRegularExpression href(QStringLiteral("href=\"([^\"]+)\""));
    int links = 0;
    QDirIterator it(helpDir(), {QStringLiteral("*.htm")}, QDir::Files, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString page = it.next();
        for (auto m = href.globalMatch(readAll(page)); m.hasNext(); ++links) {
            const QString link = m.next().captured(1);
            const QString file = link.section(u'#', 0, 0);
            const QString anchor = link.section(u'#', 1);
            const QString target = file.isEmpty() ? page : QFileInfo(page).dir().filePath(file);
            ASSERT_TRUE(QFileInfo(target).isFile()) << page.toStdString() << " -> " << link.toStdString();
            if (!anchor.isEmpty()) {
                EXPECT_TRUE(hasAnchor(target, anchor)) << page.toStdString() << " -> " << link.toStdString();
            }
        }
    }
    EXPECT_GT(links, 50);
}

TEST_F(Help, EveryControlHasItsAnchorOnItsTopicPage)
{
    gInitializeHelpTopics();
    ASSERT_EQ(goHelpTopics.size(), 91);
    for (auto it = goHelpTopics.cbegin(); it != goHelpTopics.cend(); ++it) {
        const QString page = platform::helpPageFile(helpDir(), platform::HelpCommand::DisplayTopic, it.value());
        EXPECT_TRUE(hasAnchor(page, it.key())) << it.key().toStdString() << " on " << page.toStdString();
    }
}

TEST_F(Help, PageTopicsAndTheControlTableFilledOncePerRun)
{
    const std::pair<int16_t, const char*> pages[] = {
        {0, ""}, {1, "/plm/plm/general_properties.htm"}, {3, "/plm/plm/position.htm"}, {7, "/plm/plm/appearance.htm"}, {8, ""}};
    for (const auto& [page, topic] : pages)
        EXPECT_EQ(gsGetPageHelpTopic(page), QLatin1String(topic)) << page;

    gInitializeHelpTopics();
    EXPECT_TRUE(gbHelpTopicsLoaded);
    EXPECT_EQ(goHelpTopics.value(QStringLiteral("cboFieldZoom")), QStringLiteral("/plm/plm/zoom.htm"));
    EXPECT_EQ(goHelpTopics.value(QStringLiteral("txtIcon"), QStringLiteral("?")), QString());
    goHelpTopics.remove(QStringLiteral("cboFieldZoom"));
    gClearHelpState();
    gInitializeHelpTopics();
    EXPECT_FALSE(goHelpTopics.contains(QStringLiteral("cboFieldZoom")));
}

TEST_F(Help, ContextHelpOpensTheControlsTopicAtItsAnchor)
{
    gsHelpFile = helpDir();
    gInitializeHelpTopics();
    const struct {
        const char* control;
        const char* topic;  // nullptr: nothing is shown
    } cases[] = {
        {"txtDefaultValue", "/plm/plm/general_properties.htm#chkDefault"},
        {"cboDefaultValue", "/plm/plm/general_properties.htm#chkDefault"},
        {"txtDomainPackage", "/plm/plm/general_properties.htm#txtDomainCode"},
        {"chkRichView", "/plm/plm/group_properties.htm#chkRichView"},
        {"txtIcon", "#txtIcon"},
        {"cmdOk", nullptr},
    };
    for (const auto& c : cases) {
        viewer->clear();
        const int32_t handle = glShowContextHelp(nullptr, QLatin1String(c.control));
        if (!c.topic) {
            EXPECT_EQ(handle, 0);
            EXPECT_TRUE(viewer->shown().empty()) << c.control;
            continue;
        }
        ASSERT_EQ(viewer->shown().size(), 1u) << c.control;
        EXPECT_EQ(viewer->shown()[0].topic, QLatin1String(c.topic));
        EXPECT_EQ(handle, platform::ScriptedHelpViewer::handle());
        EXPECT_TRUE(hasAnchor(viewer->shown()[0].pageFile, viewer->shown()[0].anchor)) << c.control;
    }
    EXPECT_TRUE(dialogs->shown().empty());
}

TEST_F(Help, WithoutAHelpFileTheMessageIsShownAndNothingOpens)
{
    gInitializeHelpTopics();
    gsHelpFile.clear();
    EXPECT_EQ(glShowHelp(nullptr, kTopicUsingTheEditor), 0);
    EXPECT_EQ(glShowContextHelp(nullptr, QStringLiteral("txtFieldName")), 0);
    EXPECT_TRUE(viewer->shown().empty());
    ASSERT_EQ(dialogs->shown().size(), 2u);
    for (const auto& shown : dialogs->shown()) {
        EXPECT_EQ(shown.text, QStringLiteral("No help file was found."));
        EXPECT_EQ(shown.style, platform::MbOk | platform::MbIconExclamation);
    }
    gsHelpFile = helpDir();
    EXPECT_EQ(glShowHelp(nullptr, QString(), platform::HelpCommand::DisplayIndex), platform::ScriptedHelpViewer::handle());
    EXPECT_EQ(glHelpWnd, platform::ScriptedHelpViewer::handle());
    EXPECT_TRUE(viewer->shown().back().pageFile.endsWith(QStringLiteral("/glossary.htm")));
}

TEST_F(Help, PagesStayInsideTheHelpFolder)
{
    const QString folder = tmp.filePath(QStringLiteral("HELP/hlpplm20.chm"));
    const struct {
        const char* topic;
        const char* file;  // relative to the folder; "" for none
    } cases[] = {
        {"/plm/plm/label.htm#txtLabelCode", "plm/plm/label.htm"},
        {"#txtIcon", "index.htm"},
        {"/../../secret.htm", ""},
        {"/plm/../../hlpplm20.chm.htm", ""},
    };
    for (const auto& c : cases) {
        const QString expected = *c.file ? folder + u'/' + QLatin1String(c.file) : QString();
        EXPECT_EQ(platform::helpPageFile(folder, platform::HelpCommand::DisplayTopic, QLatin1String(c.topic)), expected)
            << c.topic;
    }
    EXPECT_EQ(platform::helpPageFile(QString(), platform::HelpCommand::DisplayContents, QString()), QString());
}

TEST_F(Help, AHelpFileExistsOnlyAsAFolderWithItsContentsPage)
{
    const QString base = tmp.filePath(QStringLiteral("HELP"));
    ASSERT_TRUE(QDir().mkpath(base + QStringLiteral("/empty.chm")));
    QFile(base + QStringLiteral("/plain.chm")).open(QIODevice::WriteOnly);
    for (const char* path : {"/empty.chm", "/plain.chm", "/missing.chm"})
        EXPECT_FALSE(gbHelpFileExists(base + QLatin1String(path))) << path;
    EXPECT_FALSE(gbHelpFileExists(QString()));
    EXPECT_TRUE(gbHelpFileExists(helpDir()));
}

} // namespace
