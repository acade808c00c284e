// The help viewer window and context help on a dialog's controls.
#include "platform/gui_HelpViewer.h"
#include "services/mod_Help.h"
#include "support/CoreTestSupport.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialog>
#include <QEnterEvent>
#include <QLineEdit>
#include <QTest>
#include <QTextBrowser>

namespace {

QString helpDir() { return qEnvironmentVariable("PALIMOR_SOURCE_DIR") + QStringLiteral("/help"); }

QString helpFile(const char* relative) { return QDir(helpDir()).absoluteFilePath(QLatin1String(relative)); }

TEST(HelpViewerWindow, ShowsTopicsFollowsLinksInsideTheFolderAndGoesBack)
{
    platform::HelpViewerWindow viewer;
    ASSERT_TRUE(viewer.showPage(helpDir(), platform::HelpCommand::DisplayTopic,
                                QStringLiteral("/plm/plm/label.htm#txtLabelCode")));
    EXPECT_EQ(viewer.currentFile(), helpFile("plm/plm/label.htm"));
    EXPECT_EQ(viewer.browser()->source().fragment(), QStringLiteral("txtLabelCode"));
    EXPECT_TRUE(viewer.browser()->toPlainText().contains(QStringLiteral("Label code")));
    EXPECT_FALSE(viewer.backAction()->isEnabled());

    Q_EMIT viewer.browser()->anchorClicked(QUrl(QStringLiteral("display.htm")));
    EXPECT_EQ(viewer.currentFile(), helpFile("plm/plm/display.htm"));
    ASSERT_TRUE(viewer.backAction()->isEnabled());
    viewer.backAction()->trigger();
    EXPECT_EQ(viewer.currentFile(), helpFile("plm/plm/label.htm"));
    EXPECT_TRUE(viewer.forwardAction()->isEnabled());
    viewer.indexAction()->trigger();
    EXPECT_EQ(viewer.currentFile(), helpFile("glossary.htm"));
    viewer.contentsAction()->trigger();
    EXPECT_EQ(viewer.currentFile(), helpFile("index.htm"));

    // Links outside open nothing; a missing page shows a notice until the next page.
    Q_EMIT viewer.browser()->anchorClicked(QUrl(QStringLiteral("https://example.org/")));
    EXPECT_EQ(viewer.currentFile(), helpFile("index.htm"));
    ASSERT_TRUE(QFileInfo::exists(helpDir() + QStringLiteral("/../CMakeLists.txt")));
    Q_EMIT viewer.browser()->anchorClicked(QUrl(QStringLiteral("../CMakeLists.txt")));
    EXPECT_EQ(viewer.currentFile(), helpFile("index.htm"));
    Q_EMIT viewer.browser()->anchorClicked(QUrl(QStringLiteral("plm/plm/gone.htm")));
    EXPECT_EQ(viewer.currentFile(), QString());
    EXPECT_FALSE(viewer.showPage(helpDir(), platform::HelpCommand::DisplayTopic, QStringLiteral("/plm/nowhere.htm")));
    EXPECT_EQ(viewer.currentFile(), QString());
    EXPECT_TRUE(viewer.browser()->toPlainText().contains(QStringLiteral("/plm/nowhere.htm")));
    ASSERT_TRUE(viewer.showPage(helpDir(), platform::HelpCommand::DisplayContents, QString()));
    EXPECT_EQ(viewer.currentFile(), helpFile("index.htm"));
    EXPECT_FALSE(viewer.browser()->toPlainText().contains(QStringLiteral("nowhere.htm")));
}

TEST(WidgetHelpViewer, ReusesOneWindowAndAnswersItsHandle)
{
    platform::WidgetHelpViewer port;
    const int32_t first = port.showHelp(nullptr, helpDir(), platform::HelpCommand::DisplayTopic, kTopicUsingTheEditor);
    ASSERT_NE(first, 0);
    platform::HelpViewerWindow* window = port.window();
    ASSERT_TRUE(window && window->isVisible());
    EXPECT_EQ(port.showHelp(nullptr, helpDir(), platform::HelpCommand::DisplayIndex, QString()), first);
    EXPECT_EQ(port.window(), window);
    EXPECT_EQ(window->currentFile(), helpFile("glossary.htm"));
    EXPECT_EQ(port.showHelp(nullptr, QString(), platform::HelpCommand::DisplayContents, QString()), 0);
}

class ContextHelp : public CoreTest {
protected:
    void TearDown() override
    {
        resetHelp();
        platform::resetHelpViewer();
        CoreTest::TearDown();
    }
};

// F1 on a control opens its topic; the mouse opens it only over a disabled control.
TEST_F(ContextHelp, F1OrTheMouseOverADisabledControlOpensItsTopic)
{
    resetHelp();
    const auto viewer = platform::installScriptedHelpViewer();
    gsHelpFile = helpDir();
    gInitializeHelpTopics();
    QDialog dialog;  // controls named as the property dialog's
    auto* defaultValue = new QLineEdit(&dialog);
    defaultValue->setObjectName(QStringLiteral("txtDefaultValue"));
    auto* grid = new QCheckBox(&dialog);
    grid->setObjectName(QStringLiteral("chkGrid"));
    auto* fieldType = new QComboBox(&dialog);
    fieldType->setObjectName(QStringLiteral("cboFieldType"));
    fieldType->setEditable(true);
    EXPECT_EQ(platform::installContextHelp(&dialog, gbPropertiesContextHelp), 3);  // with the combo box's line edit
    dialog.show();

    QTest::keyClick(defaultValue, Qt::Key_F1);
    QTest::keyClick(fieldType->lineEdit(), Qt::Key_F1);
    QTest::keyClick(defaultValue, Qt::Key_A);
    EXPECT_EQ(defaultValue->text(), QStringLiteral("a"));
    EXPECT_EQ(glHelpWnd, platform::ScriptedHelpViewer::handle());

    QEnterEvent enter(QPointF(1, 1), QPointF(1, 1), QPointF(1, 1));
    QCoreApplication::sendEvent(grid, &enter);
    grid->setEnabled(false);
    QCoreApplication::sendEvent(grid, &enter);
    QStringList topics;
    for (const auto& s : viewer->shown())
        topics << s.topic;
    EXPECT_EQ(topics, QStringList({"/plm/plm/general_properties.htm#chkDefault",
                                   "/plm/plm/general_properties.htm#cboFieldType", "/plm/plm/position.htm#chkGrid"}));
}

} // namespace
